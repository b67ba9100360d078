// The yardstick for start-up: a bare QWebEngineView window showing one page, nothing else.
#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

#include <unistd.h>

int main(int argc, char** argv)
{
    // What Qt WebEngine needs to run at all here: shared contexts, and no sandbox as root.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QWebEngineView view;
    view.load(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    // As the program's window opens.
    view.showMaximized();
    return app.exec();
}
