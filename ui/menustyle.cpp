#include "ui/menustyle.h"

#include <QMenu>
#include <QProxyStyle>

namespace corvane {
namespace {

class LargeMenuIconStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_SmallIconSize)
            return 32;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

void useLargeMenuIcons(QMenu* menu)
{
    auto* style = new LargeMenuIconStyle;
    style->setParent(menu);
    menu->setStyle(style);
}

} // namespace corvane
