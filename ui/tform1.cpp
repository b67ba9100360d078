#include "ui/tform1.h"

#include "address/address.h"
#include "countdown/startcountdown.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "ui/addresses.h"
#include "ui/codebox.h"
#include "ui/codehighlighter.h"
#include "ui/dialogs.h"
#include "ui/formcountdownhost.h"
#include "ui/handlerguard.h"
#include "ui/keyboard.h"
#include "ui/menustyle.h"
#include "ui/pictures.h"
#include "ui/previewconsole.h"
#include "ui/savecontroller.h"
#include "ui/searchcommand.h"
#include "ui/searchdialog.h"
#include "ui/taboutbox.h"
#include "ui_form1.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QTimer>

namespace corvane {
namespace {

QStringList toQStringList(const std::vector<std::string>& lines)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(lines.size()));
    for (const auto& line : lines)
        list.append(QString::fromStdString(line));
    return list;
}

// The folders the preview's pages may load files from: the program folder, and, installed, the
// folder its library links lead to (where categories.ini really lies).
QStringList libraryFolders(const ScriptLibrary& library)
{
    QStringList folders{QString::fromStdString(library.programDirectory())};
    const QString list = QFileInfo(QString::fromStdString(library.categoriesPath())).canonicalFilePath();
    if (!list.isEmpty())
        folders.append(QFileInfo(list).absolutePath());
    return folders;
}

} // namespace

template <typename Handler>
void TForm1::guarded(Handler&& handler)
{
    runGuarded(*services_.dialogs, std::forward<Handler>(handler));
}

template <typename... Args>
auto TForm1::guardedSlot(void (TForm1::*handler)(Args...))
{
    return [this, handler](Args... args) { guarded([&] { (this->*handler)(args...); }); };
}

TForm1::TForm1(const MainWindowServices& services, QWidget* parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::TForm1>())
    , services_(services)
    , library_(services.programDirectory)
{
    ui->setupUi(this);
    // The secondary pane lies under the main panel. It is also hidden: a web view composites its
    // page above its siblings, so being covered alone would not keep it out of sight.
    ui->Panel1->lower();
    ui->banner->setErrorPageEnabled(false);
    ui->wb1->restrictLocalFiles(libraryFolders(library_));
    ui->Panel5->installEventFilter(this);
    ui->Image1->installEventFilter(this);
    setWindowIcon(pictures::programIcon());
    for (QMenu* menu : {ui->N1, ui->N3})
        useLargeMenuIcons(menu);
    ui->Label4->adjustSize();
    connectHandlers();
    addKeyboardAccess(*this, *ui);
    search_ = std::make_unique<SearchCommand>(*this, services_.programDirectory, *services_.dialogs,
                                              [this](const SearchHit& hit) { chooseSearchResult(hit); });
    save_ = std::make_unique<SaveController>(*this, library_, *services_.dialogs, services_.saveDialog);
    auto* save = new QAction(this);
    save->setObjectName(QStringLiteral("SavePage"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    addAction(save);
    connect(save, &QAction::triggered, this, guardedSlot(&TForm1::SavePageClick));
    setUpCodeBox();
    console_ = std::make_unique<PreviewConsole>(*this, *ui->wb1, *ui->Memo4, *services_.dialogs, [this] {
        return shownScript_ ? addressToUrl(shownScript_->path(library_)) : QUrl();
    });
    ui->wb1->setPageDialogs(services_.pageDialogs);
    ui->banner->setPageDialogs(services_.pageDialogs);
    // Before the window is first shown, whether or not the start loads a page into the preview.
    ui->wb1->createEngineWidget();

    guarded([this] { loadPictures(); });
    guarded([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::loadPictures()
{
    const struct {
        QAction* action;
        int index;
    } menuPictures[] = {
        {ui->N5, 0}, {ui->Licenseuseragreement1, 1}, {ui->N8, 2}, {ui->N7, 3}, {ui->N6, 4}, {ui->N2, 5},
    };
    for (const auto& entry : menuPictures)
        entry.action->setIcon(QIcon(pictures::imageListPicture(entry.index)));

    QToolButton* buttons[] = {ui->SpeedButton1, ui->SpeedButton2, ui->SpeedButton3,
                              ui->SpeedButton4, ui->SpeedButton5, ui->SpeedButton6};
    for (int i = 0; i < 6; ++i) {
        const QPixmap glyph = pictures::glyph(i + 1);
        buttons[i]->setIcon(QIcon(glyph));
        buttons[i]->setIconSize(glyph.size());
    }
    // Last, so that a broken logo leaves every other picture in place.
    ui->Image1->setPixmap(pictures::logo());
}

void TForm1::connectHandlers()
{
    connect(ui->cats, &ScriptComboBox::change, this, guardedSlot(&TForm1::catsChange));
    connect(ui->lb, &ScriptComboBox::change, this, guardedSlot(&TForm1::lbChange));

    connect(ui->N2, &QAction::triggered, this, guardedSlot(&TForm1::N2Click));
    connect(ui->N6, &QAction::triggered, this, guardedSlot(&TForm1::N6Click));
    connect(ui->N7, &QAction::triggered, this, guardedSlot(&TForm1::N7Click));
    connect(ui->N8, &QAction::triggered, this, guardedSlot(&TForm1::N8Click));
    connect(ui->N5, &QAction::triggered, this, guardedSlot(&TForm1::N5Click));
    connect(ui->Licenseuseragreement1, &QAction::triggered, this,
            guardedSlot(&TForm1::Licenseuseragreement1Click));

    // The picture buttons trigger their menu entries: the command lives in one place.
    connect(ui->SpeedButton1, &QToolButton::clicked, ui->N2, &QAction::trigger);
    connect(ui->SpeedButton2, &QToolButton::clicked, ui->N6, &QAction::trigger);
    connect(ui->SpeedButton3, &QToolButton::clicked, ui->N7, &QAction::trigger);
    connect(ui->SpeedButton4, &QToolButton::clicked, this, guardedSlot(&TForm1::SpeedButton4Click));
    connect(ui->SpeedButton5, &QToolButton::clicked, this, guardedSlot(&TForm1::SpeedButton5Click));
    connect(ui->SpeedButton6, &QToolButton::clicked, this, guardedSlot(&TForm1::SpeedButton6Click));

    connect(ui->wb1, &WebView::beforeNavigate, this, guardedSlot(&TForm1::wb1BeforeNavigate2));
    connect(ui->wb1, &WebView::downloadBegin, this, guardedSlot(&TForm1::wb1DownloadBegin));
    connect(ui->wb1, &WebView::downloadComplete, this, guardedSlot(&TForm1::wb1DownloadComplete));
    connect(ui->wb1, &WebView::documentComplete, this, guardedSlot(&TForm1::wb1DocumentComplete));
    connect(ui->wb1, &WebView::titleChange, this, guardedSlot(&TForm1::wb1TitleChange));
    connect(ui->wb1, &WebView::statusTextChange, this, guardedSlot(&TForm1::wb1StatusTextChange));
    connect(ui->wb2, &WebView::titleChange, this, guardedSlot(&TForm1::wb2TitleChange));
}

void TForm1::setUpCodeBox()
{
    new CodeHighlighter(ui->Memo4);

    auto* run = new QAction(this);
    run->setObjectName(QStringLiteral("RunEdit"));
    run->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    run->setShortcutContext(Qt::WindowShortcut);
    addAction(run);
    connect(run, &QAction::triggered, this,
            [this] { runGuarded(*services_.dialogs, [this] { RunEditClick(); }); });
}

// Runs inside the creation of the window; the first step that raises ends it.
void TForm1::FormCreate()
{
    // The banner's page waits for the preview's first one: at start-up the two would share the
    // cores, and the preview is what the user looks at. Its address is still checked here.
    ui->banner->holdLoads();
    const auto startBanner = qScopeGuard([this] { startBannerAfterPreview(); });
    ui->banner->navigate(services_.bannerAddress);

    FormCountdownHost host(*services_.dialogs, *ui->wb1);
    StartCountdown(*services_.registry, services_.programDirectory, host, *services_.shell,
                   addresses::kMakerSite)
        .run();

    FCategories = std::make_unique<CategoryListFile>(library_.categoriesPath());
    const std::vector<std::string> categories = FCategories->sectionNames();
    ui->cats->addItems(toQStringList(categories));
    ui->cats->setCurrentIndex(-1);
    ui->cats->setText(QString());

    FScriptTotal = library_.countScripts(categories);
    ui->Label4->setText(
        QStringLiteral("Общо скриптове : %1 в %2 категории.").arg(FScriptTotal).arg(ui->cats->count()));
    ui->Label4->adjustSize();
}

void TForm1::startBannerAfterPreview()
{
    WebView* banner = ui->banner;
    const auto release = [banner] { banner->releaseLoads(); };
    // The preview's page is painted a few frames after it has loaded; made at that moment, the
    // banner's engine widget and page would hold the paint up.
    if (ui->wb1->loading())
        connect(
            ui->wb1, &WebView::downloadComplete, banner,
            [banner, release] { QTimer::singleShot(kBannerAfterPreviewMs, banner, release); },
            Qt::SingleShotConnection);
    else
        QTimer::singleShot(0, banner, release);
}

ChosenScript TForm1::chosenScript() const
{
    return {ui->cats->text(), ui->lb->text()};
}

QString TForm1::scriptPath() const
{
    return chosenScript().path(library_);
}

void TForm1::catsChange()
{
    ui->lb->setText(QString());
    ui->lb->setItems(toQStringList(library_.loadScriptList(chosenScript().category.toStdString())));
}

void TForm1::lbChange()
{
    const ChosenScript chosen = chosenScript();
    const QString path = chosen.path(library_);
    if (chosen.script != QStringLiteral("BackGround Slide.html")) {
        ui->wb1->navigate(path);
    } else if (services_.dialogs->confirm(
                   QStringLiteral("Този скрипт трябва да бъде изпълнен във външен браузър.\r"
                                  "Желаете ли да го изпълните ?"))) {
        shellOpen(path, kShowMaximized, false);
    }
    shownScript_ = chosen;
    ui->Label5->setText(path);
    ui->Memo4->clear();
    ui->Memo4->setPlainText(QString::fromStdString(loadScriptText(path.toStdString())));
}

void TForm1::chooseSearchResult(const SearchHit& hit)
{
    ui->cats->choose(QString::fromStdString(hit.category));
    ui->lb->choose(QString::fromStdString(hit.script));
    selectSearchHit(*ui->Memo4, hit);
}

void TForm1::N2Click()
{
    ui->Memo4->setFocus();
    ui->Memo4->selectAll();
}

void TForm1::N5Click()
{
    if (AboutBox)
        AboutBox->exec();
}

void TForm1::N6Click()
{
    // Copies the selection only; with nothing selected the clipboard is left alone.
    ui->Memo4->copy();
}

void TForm1::N7Click()
{
    shellOpen(scriptPath(), kShowMaximized, false);
}

void TForm1::N8Click()
{
    services_.dialogs->showMessage(QStringLiteral("Благодарим ви за оказаното внимание !\r\r")
                                   + QLatin1String(addresses::kMakerFarewell));
    close();
}

void TForm1::Licenseuseragreement1Click()
{
    shellOpen(QString::fromStdString(services_.programDirectory)
                  + QStringLiteral("License Agreement - BG.txt"),
              kShowMaximized, false);
}

void TForm1::Image1Click()
{
    shellOpen(QLatin1String(addresses::kMakerLogoLink), kShowHidden, true);
}

void TForm1::SpeedButton4Click()
{
    ui->wb1->refresh();
}

void TForm1::SpeedButton5Click()
{
    ui->wb1->stop();
}

void TForm1::SpeedButton6Click()
{
    ui->wb1->navigate(QLatin1String(addresses::kMakerHome));
}

void TForm1::wb1BeforeNavigate2(const QString& url)
{
    ui->Panel6->setText(QStringLiteral("Търсене на документа : ") + url + QStringLiteral(" ."));
}

void TForm1::wb1DownloadBegin()
{
    ui->Panel6->setText(QStringLiteral("Изтегляне на страница"));
}

void TForm1::wb1DownloadComplete()
{
    ui->Panel6->setText(QStringLiteral("Готово."));
}

void TForm1::wb1DocumentComplete(const QString&)
{
    ui->Panel6->setText(QStringLiteral("Готово."));
}

void TForm1::wb1TitleChange(const QString& text)
{
    ui->Panel6->setText(text);
}

void TForm1::wb1StatusTextChange(const QString& text)
{
    ui->espPanel1->setText(text);
}

void TForm1::wb2TitleChange(const QString& text)
{
    ui->Panel2->setText(text);
}

void TForm1::RunEditClick()
{
    // The script's own folder, so that its relative pictures, styles and scripts load.
    const ChosenScript chosen = chosenScript();
    const QUrl base =
        QUrl::fromLocalFile(QDir::fromNativeSeparators(QString::fromStdString(chosen.folder(library_))));
    // Refreshing shows the script's file again; with no script chosen, the page shown before.
    const QUrl original = chosen.script.isEmpty() ? QUrl() : addressToUrl(chosen.path(library_));
    ui->wb1->navigateContent(codeBoxBytes(ui->Memo4->document()->toRawText()), base, original);
}

void TForm1::SavePageClick()
{
    save_->save(ui->Memo4->toPlainText(), chosenScript(), FCategories.get());
}

void TForm1::ConsoleClick()
{
    console_->present();
}

void TForm1::chooseConsoleLine(const QString& source, int line)
{
    console_->chooseLine(source, line);
}

void TForm1::shellOpen(const QString& target, int showState, bool parentIsMainWindow) const
{
    services_.shell->execute("open", target.toStdString(),
                             parentIsMainWindow ? ShellParent::MainWindow : ShellParent::Application,
                             showState);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->Panel5 && event->type() == QEvent::Resize) {
        // The welcome strip is the one control of the column aligned to its top edge.
        const QRect inner = ui->Panel5->contentsRect();
        ui->Label1->setGeometry(inner.left(), inner.top(), inner.width(), ui->Label1->height());
    } else if (watched == ui->Image1 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && ui->Image1->rect().contains(mouse->position().toPoint()))
            guarded([this] { Image1Click(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace corvane
