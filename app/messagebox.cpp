#include "app/messagebox.h"

#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QScreen>

namespace corvane {
namespace {

// What the window manager draws around a caption: the window's icon, its buttons and margins,
// in lines of the caption's font.
constexpr int kCaptionExtraLines = 8;

int captionWidth(const QWidget& box)
{
    // Caption fonts are mostly a bold face of the window's own.
    QFont font = box.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(box.windowTitle()) + kCaptionExtraLines * metrics.height();
}

} // namespace

void fitToText(QDialog& box, QLabel& text)
{
    const QScreen* screen = box.screen();
    QLayout* layout = box.layout();
    if (!screen || !layout)
        return;
    const int half = screen->geometry().width() / 2;
    const QFontMetrics metrics(text.font());
    int textWidth = 0;
    for (const QString& line : text.text().split(QLatin1Char('\n')))
        textWidth = qMax(textWidth, metrics.horizontalAdvance(line));
    // A little room beyond the measured width, or the label's own layout may break the last word.
    constexpr int kSlack = 4;
    text.setWordWrap(true);
    text.setMaximumWidth(half);
    text.setMinimumWidth(qMin(textWidth + kSlack + 2 * text.margin(), half));
    layout->invalidate();
    layout->activate();
    const int width = qMin(qMax(layout->totalMinimumSize().width(), captionWidth(box)),
                           screen->availableGeometry().width());
    const int height =
        layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : layout->totalSizeHint().height();
    box.setFixedSize(width, height);
}

void MessageBox::showEvent(QShowEvent* event)
{
    // The toolkit sizes the box here; ours comes after it.
    QMessageBox::showEvent(event);
    if (auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
        fitToText(*this, *label);
}

} // namespace corvane
