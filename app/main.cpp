#include "app/desktoppagedialogs.h"
#include "app/messages.h"
#include "app/qttexts.h"
#include "app/splashscreen.h"
#include "app/startup.h"
#include "browser/webengine.h"
#include "platform/errors.h"
#include "platform/programdir.h"
#include "platform/registry.h"
#include "ui/addresses.h"
#include "ui/desktopshell.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>

#include <memory>
#include <typeinfo>

namespace {

// Verdana and MS Sans Serif are asked for by name; where they are missing DejaVu Sans stands in.
void substituteFonts()
{
    for (const char* family : {"Verdana", "MS Sans Serif"})
        QFont::insertSubstitution(QLatin1String(family), QStringLiteral("DejaVu Sans"));
}

int applicationError(const std::exception& error)
{
    const auto* own = dynamic_cast<const corvane::Error*>(&error);
    const std::string text = corvane::applicationErrorText(
        own ? own->className() : typeid(error).name(),
        QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString(),
        own ? own->address() : nullptr, error.what());
    corvane::showApplicationError(QString::fromStdString(text));
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    corvane::prepareWebEngine();
    QApplication app(argc, argv);
    substituteFonts();
    corvane::installQtBulgarian(app);

    auto splash = std::make_unique<corvane::Tsplashscreen>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    QApplication::setApplicationDisplayName(QString());
    QApplication::setApplicationName(QLatin1String(corvane::kApplicationTitle));

    const std::unique_ptr<corvane::Registry> registry = corvane::programRegistry();
    corvane::DesktopShell shell;
    corvane::AppDialogs dialogs;
    corvane::DesktopPageDialogs pageDialogs;
    corvane::MainWindowServices services;
    services.programDirectory = corvane::programDirectory();
    services.registry = registry.get();
    services.shell = &shell;
    services.dialogs = &dialogs;
    services.pageDialogs = &pageDialogs;
    services.bannerAddress = QLatin1String(corvane::addresses::kBanner);

    corvane::ProgramWindows windows;
    try {
        windows = corvane::startProgram(services, std::move(splash));
    } catch (const std::exception& error) {
        return applicationError(error);
    }
    return QApplication::exec();
}
