#pragma once

#include "browser/pagedialogs.h"
#include "platform/registrystore.h"
#include "platform/shell.h"
#include "support/testfiles.h"
#include "ui/dialogs.h"
#include "ui/tform1.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QStringList>

#include <memory>

#include <gtest/gtest.h>

namespace corvane::test {

// Message boxes that record what they were asked and answer confirmations with `answer`.
struct RecordingDialogs : Dialogs {
    void showMessage(const QString& text) override { messages << text; }
    bool confirm(const QString& text) override
    {
        confirmations << text;
        return answer;
    }
    void showError(const QString& text) override { errors << text; }
    QStringList messages, confirmations, errors;
    bool answer = false;
};

// The page's boxes and the save dialog, recorded and answered at once: confirmations and
// prompts with `answer`, the stop offer with `stopWhenOffered`, the save dialog with `savePath`
// (empty: cancelled).
struct RecordingPageDialogs : PageDialogs {
    void alert(QWidget*, const QString& text, bool* stopMore) override
    {
        record(QStringLiteral("alert:") + text, stopMore);
    }
    bool confirm(QWidget*, const QString& text, bool* stopMore) override
    {
        record(QStringLiteral("confirm:") + text, stopMore);
        return answer;
    }
    bool prompt(QWidget*, const QString& text, QString& value, bool* stopMore) override
    {
        record(QStringLiteral("prompt:") + text, stopMore);
        value = promptAnswer;
        return answer;
    }
    bool confirmLeave(QWidget*) override
    {
        boxes << QStringLiteral("leave");
        return answer;
    }
    QString saveFileName(QWidget*, const QString& suggestedPath) override
    {
        suggestions << suggestedPath;
        return savePath;
    }
    void downloadFailed(QWidget*, const QString& text) override { failures << text; }
    void record(const QString& box, bool* stopMore)
    {
        boxes << box;
        offers << (stopMore != nullptr);
        if (stopMore)
            *stopMore = stopWhenOffered;
    }
    QStringList boxes, suggestions, failures;
    QList<bool> offers;
    bool answer = true;
    bool stopWhenOffered = false;
    QString promptAnswer, savePath;
};

// A shell that records "verb|target|parent|show" instead of starting anything.
struct RecordingShell : Shell {
    void execute(const std::string& verb, const std::string& target, ShellParent parent, int show) override
    {
        const char* parentName = parent == ShellParent::MainWindow ? "main|" : "app|";
        calls << QString::fromStdString(verb + "|" + target + "|" + parentName) + QString::number(show);
    }
    QStringList calls;
};

// Types text as key presses that carry it (QTest's own typing knows only Latin-1 keys).
inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// Chooses the window's action of that objectName as its menu entry or its key would; fails the
// test when there is none or it is disabled, as a user could not choose it then.
inline void triggerAction(QWidget& window, const char* name)
{
    auto* action = window.findChild<QAction*>(QLatin1String(name));
    ASSERT_NE(action, nullptr) << name;
    ASSERT_TRUE(action->isEnabled()) << name;
    action->trigger();
}

// What a main window under test is built with: a library folder, a store of its own and
// recording doubles; no banner is loaded.
struct WindowBench {
    MainWindowServices services()
    {
        MainWindowServices services;
        services.programDirectory = dir.dir();
        services.registry = &store;
        services.shell = &shell;
        services.dialogs = &dialogs;
        services.pageDialogs = &pageDialogs;
        services.bannerAddress = QStringLiteral("/nonexistent/banner.html");
        services.saveDialog = saveDialog;
        return services;
    }
    std::unique_ptr<TForm1> make() { return std::make_unique<TForm1>(services()); }

    TempDir dir;
    TempDir storeDir;
    RegistryStore store{storeDir.dir() + "system.reg"};
    RecordingDialogs dialogs;
    RecordingPageDialogs pageDialogs;
    RecordingShell shell;
    PageSaveDialog* saveDialog = nullptr;
};

} // namespace corvane::test
