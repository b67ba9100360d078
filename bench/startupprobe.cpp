// Starts a program and reports, in milliseconds, when the welcome page's blue copyright line is
// first on the screen: the X screen is read every few milliseconds until enough of its colour shows.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>

#include <cstdio>

namespace {

// Pixels of the page's pure blue (its rule and copyright lines), anti-aliasing allowed for. Rows
// that cross the program's welcome strip, blue text on bright green, are left out.
bool isBlue(QRgb pixel)
{
    return qBlue(pixel) > 200 && qRed(pixel) < 80 && qGreen(pixel) < 80;
}

bool isGreen(QRgb pixel)
{
    return qGreen(pixel) > 200 && qRed(pixel) < 80 && qBlue(pixel) < 80;
}

int bluePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int blue = 0;
        int green = 0;
        for (int x = 0; x < image.width(); ++x) {
            blue += isBlue(line[x]);
            green += isGreen(line[x]);
        }
        if (green < 20)
            count += blue;
    }
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: startupprobe PROGRAM [ARGS...]\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    program.start(args.first(), args.mid(1));
    int result = 2;
    while (clock.elapsed() < 30000) {
        const QImage shot = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        if (bluePixels(shot) >= 40) {
            // To check what was seen.
            if (!qEnvironmentVariableIsEmpty("STARTUPPROBE_SHOT"))
                shot.save(qEnvironmentVariable("STARTUPPROBE_SHOT"));
            std::printf("%lld\n", static_cast<long long>(clock.elapsed()));
            result = 0;
            break;
        }
        QThread::msleep(5);
    }
    program.kill();
    program.waitForFinished(5000);
    return result;
}
