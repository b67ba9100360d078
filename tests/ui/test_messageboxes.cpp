// Every box the program opens fits its text and its caption.
#include "app/desktoppagedialogs.h"
#include "app/messages.h"
#include "app/qttexts.h"
#include "support/windowdoubles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QTreeView>

#include <functional>

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct Seen {
    QString caption;
    int boxWidth = 0;
    int captionWidth = 0; // of the caption in the box's own font, the least any title bar needs
    int labelWidth = 0;
    int labelHeight = 0;
    int lineHeight = 0;
};

// Opens a box, looks at it once it is up and closes it.
Seen look(const std::function<void()>& open)
{
    Seen seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        seen.caption = box->windowTitle();
        seen.boxWidth = box->width();
        seen.captionWidth = QFontMetrics(box->font()).horizontalAdvance(seen.caption);
        QLabel* text = nullptr;
        for (QLabel* label : box->findChildren<QLabel*>())
            if (!text || label->text().size() > text->text().size())
                text = label;
        if (text) {
            seen.labelWidth = text->width();
            seen.labelHeight = text->height();
            seen.lineHeight = QFontMetrics(text->font()).lineSpacing();
        }
        box->reject();
    });
    poll.start(20);
    open();
    return seen;
}

struct BoxCase {
    const char* name;
    QString text; // one line when shown
    std::function<void(const QString&)> open;
};

void PrintTo(const BoxCase& box, std::ostream* out)
{
    *out << box.name;
}

class MessageBoxes : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxes, wrapAtHalfTheScreenOnlyWhenTheyMustAndShowTheWholeCaption)
{
    const int half = QGuiApplication::primaryScreen()->geometry().width() / 2;
    const QString shortText = GetParam().text;
    // Over half the screen wide in any face.
    const QString longText = (shortText + QLatin1Char(' ')).repeated(12).trimmed();

    const Seen once = look([&] { GetParam().open(shortText); });
    ASSERT_GT(once.boxWidth, 0) << "no box came up";
    EXPECT_GE(once.boxWidth, once.captionWidth) << once.caption.toStdString();
    EXPECT_LT(once.labelHeight, 2 * once.lineHeight) << "a short text is one line";

    const Seen wrapped = look([&] { GetParam().open(longText); });
    EXPECT_LE(wrapped.labelWidth, half);
    EXPECT_GT(wrapped.labelWidth, half * 9 / 10) << "wrapped well before half the screen";
    EXPECT_GE(wrapped.labelHeight, 2 * wrapped.lineHeight);
}

AppDialogs dialogs;
DesktopPageDialogs pageDialogs;

INSTANTIATE_TEST_SUITE_P(
    EveryBox, MessageBoxes,
    ::testing::Values(BoxCase{"saved", QStringLiteral("Запазени са страницата и 3 файла в /tmp."),
                              [](const QString& t) { dialogs.showMessage(t); }},
                      BoxCase{"confirmation", QStringLiteral("Да бъде ли заменен?"),
                              [](const QString& t) { dialogs.confirm(t); }},
                      BoxCase{"error", QStringLiteral("Cannot open file \"/tmp/x\"."),
                              [](const QString& t) { dialogs.showError(t); }},
                      BoxCase{"applicationError", QStringLiteral("Exception in module."),
                              [](const QString& t) { showApplicationError(t); }},
                      BoxCase{"pageAlert", QStringLiteral("Здравей"),
                              [](const QString& t) { pageDialogs.alert(nullptr, t, nullptr); }},
                      BoxCase{"pagePrompt", QStringLiteral("Име?"),
                              [](const QString& t) {
                                  QString value;
                                  pageDialogs.prompt(nullptr, t, value, nullptr);
                              }},
                      BoxCase{"downloadFailed", QStringLiteral("Файлът не беше изтеглен."),
                              [](const QString& t) { pageDialogs.downloadFailed(nullptr, t); }}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

// Qt's own texts speak Bulgarian; the captions the program fixes do not change with them.
TEST(QtTexts, theFileDialogSpeaksBulgarianAndTheProgramsCaptionsStay)
{
    ASSERT_TRUE(installQtBulgarian(*QCoreApplication::instance()))
        << "qt6-translations-l10n is not installed";
    const auto removeTranslation = qScopeGuard([] {
        for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    });

    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    const auto* back = files.findChild<QToolButton*>(QStringLiteral("backButton"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->toolTip(), QStringLiteral("Назад"));
    const auto* details = files.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(details->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Име"));

    QStringList captions;
    const auto buttonsOf = [&](const std::function<void()>& open) {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                QStringList texts;
                // What the user sees: a form may hold buttons another use of it shows.
                for (const QAbstractButton* button : box->findChildren<QAbstractButton*>())
                    if (button->isVisible())
                        texts << button->text();
                texts.sort();
                captions << texts.join(u'|');
                box->reject();
            }
        });
        poll.start(20);
        open();
    };
    buttonsOf([] { dialogs.showMessage(QStringLiteral("Здравей")); });
    buttonsOf([] { dialogs.confirm(QStringLiteral("Да?")); });
    buttonsOf([] { dialogs.showError(QStringLiteral("Грешка")); });
    buttonsOf([] { showApplicationError(QStringLiteral("Грешка")); });
    EXPECT_EQ(captions, (QStringList{QStringLiteral("OK"), QStringLiteral("Cancel|OK"), QStringLiteral("OK"),
                                     QStringLiteral("OK")}));
}

// A page's prompt gives back what the user typed and whether the user took the offer to stop the
// page's boxes; cancelled, it gives back nothing and keeps the page's default text.
TEST(PageBoxes, promptGivesBackTheTypedAnswerAndTheTakenOffer)
{
    const struct {
        const char* name;
        bool accept;
    } cases[] = {{"typed and accepted", true}, {"cancelled with Esc", false}};
    for (const auto& c : cases) {
        bool done = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (done || !box || !box->isVisible())
                return;
            done = true;
            auto* line = box->findChild<QLineEdit*>(QStringLiteral("answer"));
            auto* offer = box->findChild<QCheckBox*>(QStringLiteral("stopMore"));
            ASSERT_TRUE(line && offer && line->isVisible() && offer->isVisible());
            test::typeText(line, QStringLiteral("Мария"));
            QTest::keyClick(offer, Qt::Key_Space);
            QTest::keyClick(line, c.accept ? Qt::Key_Return : Qt::Key_Escape);
        });
        poll.start(20);
        DesktopPageDialogs boxes;
        QString value = QStringLiteral("гост");
        bool stopMore = false;
        EXPECT_EQ(boxes.prompt(nullptr, QStringLiteral("Име?"), value, &stopMore), c.accept) << c.name;
        EXPECT_TRUE(done) << c.name;
        EXPECT_EQ(value, c.accept ? QStringLiteral("Мария") : QStringLiteral("гост")) << c.name;
        EXPECT_TRUE(stopMore) << c.name;
    }
}

} // namespace
} // namespace corvane
