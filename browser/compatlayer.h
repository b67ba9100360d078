#pragma once

#include "syntax/oldpages.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QWebEnginePage;

namespace corvane {

// The compatibility layer on one page. Before each load it decides what the page needs (frame
// pages add theirs as they are navigated) and gives the page the layer's one script, or none at
// all; it lets a page that needs <bgsound> play without a click. Off, pages load as today's
// browsers show them.
class CompatLayer : public QObject {
    Q_OBJECT
public:
    explicit CompatLayer(QWebEnginePage* page);

    // Whether the page may read the local file at an address; files it may not are not read.
    using FileCheck = std::function<bool(const QUrl&)>;
    void setFileCheck(FileCheck mayRead) { mayRead_ = std::move(mayRead); }

    // Takes effect at the next load.
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool enabled() const { return enabled_; }
    // The engine may make the next document as soon as it is given a load, with the page scripts
    // of that moment, and a change it hears of later does not reach that document. So the program
    // decides before it gives the engine a load, and navigation() takes that decision.
    // The next load is content shown from memory (as `address`, a data address when empty): it is
    // scanned instead of what the address holds.
    void expectContent(const QByteArray& html, const QUrl& base, const QUrl& address);
    // The next load is the page at `url`.
    void decideBefore(const QUrl& url);
    // The same, its text already read.
    void decideBefore(const QUrl& url, const QByteArray& html);
    // The page is a dialog opened for showModalDialog, with these arguments (JSON text).
    void makeDialog(const QString& arguments);

    // A navigation the page is about to make; called before the load starts.
    void navigation(const QUrl& url, bool isMainFrame);

    // What the page on show (frames included) was given; empty while off.
    const syntax::CompatNeeds& given() const { return given_; }
    // What it would need, also while off.
    const syntax::CompatNeeds& needed() const { return needed_; }

signals:
    // The page at `url` was decided on (or a frame page added what it needs).
    void decided(const QUrl& url, const syntax::CompatNeeds& needed, bool enabled);
    // The layer's script was put in the page's scripts, after those there before.
    void installed();

private:
    void decideMainFrame(syntax::CompatScan scan, const QUrl& url);
    void install(const syntax::CompatNeeds& needs);

    QWebEnginePage* page_;
    FileCheck mayRead_;
    bool enabled_ = true;
    bool dialog_ = false;
    QString dialogArguments_;
    QUrl contentAddress_;
    bool contentExpected_ = false;
    QUrl decidedAhead_; // the next page, decided before its load
    syntax::CompatNeeds needed_;
    syntax::CompatNeeds given_;
    std::vector<std::pair<std::string, std::string>> files_; // compat.options.files
    QString installed_; // the script's source as installed; empty for none
};

// What the page at `url` needs of the compatibility layer: a local page is read with the scripts
// and style sheets it loads (those `mayRead` lets it have); anything else needs nothing.
syntax::CompatScan compatScanOf(const QUrl& url, const CompatLayer::FileCheck& mayRead = {});
// The same for a page's text, its relative addresses resolved against the folder `base`.
syntax::CompatScan compatScanOf(const QByteArray& html, const QUrl& base,
                                const CompatLayer::FileCheck& mayRead = {});

} // namespace corvane
