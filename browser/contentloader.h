#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class QTemporaryFile;

namespace corvane {

class LocalFileGuard;
class WebPage;

// How content given to a view (Windows-1251 bytes) reaches the engine: as a data address while it
// fits, otherwise through a temporary file in the user's runtime folder, so that nothing is written
// beside the content's base. The file goes once the engine has it, and at the latest when the
// program ends; while it exists, the file guard lets the page have it.
class ContentLoader : public QObject {
    Q_OBJECT
public:
    explicit ContentLoader(WebPage& page);
    ~ContentLoader() override;

    void setFileGuard(LocalFileGuard* guard) { fileGuard_ = guard; }
    // Gets `html` ready to show with its relative references resolving against `baseUrl`, and
    // returns the address the engine will report for it. Throws FileCreateError.
    QUrl prepare(const QByteArray& html, const QUrl& baseUrl);
    // Starts loading what was prepared last; again after a renderer was ended.
    void load();
    // The engine has asked for the content's address.
    void requested() { requested_ = true; }
    // The page leaves the content: once the engine has asked for it, its file is not needed.
    void left();
    // Removes the temporary file, if any.
    void drop();

private:
    WebPage& page_;
    LocalFileGuard* fileGuard_ = nullptr;
    std::unique_ptr<QTemporaryFile> file_;
    bool throughFile_ = false;
    QByteArray html_; // what goes as a data address
    QUrl baseUrl_;
    QUrl fileUrl_;
    bool requested_ = false;
};

} // namespace corvane
