#include "browser/webview.h"
#include "support/qtwait.h"
#include "support/webviewwait.h"

#include <QApplication>
#include <QClipboard>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QWebEnginePage>

#include <cctype>

#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::evaluate;
using test::loadPage;
using test::waitUntil;

// What the user does on the page before its effect is looked at.
enum class Gesture {
    None,
    Click,      // a left click on `target`
    ShiftPress, // the left button pressed and released on `target` with Shift held
    Hover,      // the pointer from `from` onto `target`
    Drag,       // pressed on `from`, moved to `target`, released there
    Move,       // the pointer moved over `from`, then `target`
};

struct CompatCase {
    const char* name;
    const char* page; // under tests/browser/compat/constructs/
    Gesture gesture;
    const char* from;   // element id, for Hover/Drag/Move
    const char* target; // element id
    const char* expression;
    const char* expected;
};

std::ostream& operator<<(std::ostream& out, const CompatCase& c)
{
    return out << c.name;
}

// Every construct of the layer on its own small page, as the preview loads it: the page scan
// decides the parts, the program's injection gives them, and the effect is looked at in the page.
const CompatCase kCases[] = {
    // Who the page thinks it runs in. Every sniffing page takes a branch its author wrote for one
    // of the two browsers, never none.
    {"sniff: if (document.all) takes the IE branch", "sniff-documentall.html", Gesture::None, "", "",
     "branch", "ie"},
    {"sniff: ie4 = document.all ? 1 : 0 takes the IE branch", "sniff-ternary.html", Gesture::None, "", "",
     "branch", "ie"},
    {"sniff: navigator.appName and parseInt(appVersion) take the IE branch", "sniff-appname.html",
     Gesture::None, "", "", "branch", "ie"},
    {"sniff: userAgent.indexOf(\"MSIE\") finds IE 6", "sniff-useragent.html", Gesture::None, "", "", "branch",
     "ie6"},
    {"sniff: a Netscape 4 test alone takes the Netscape branch", "sniff-ns4-only.html", Gesture::None, "", "",
     "branch", "ns4"},
    {"sniff: document.layers before getElementById takes the Netscape branch", "sniff-layers-or-dom.html",
     Gesture::None, "", "", "branch", "ns4:10"},
    {"sniff: getElementById && !document.all takes the IE branch", "sniff-dom-not-all.html", Gesture::None,
     "", "", "branch", "ie"},
    {"sniff: document.all || document.layers with neither path runs the effect", "sniff-neither-path.html",
     Gesture::None, "", "", "branch", "dhtml"},
    {"identity: a page that does not sniff sees today's browser", "no-sniff.html", Gesture::None, "", "",
     "navigator.userAgent.indexOf('MSIE') < 0 && typeof document.all", "undefined"},
    {"document.all: truthy, by number, id and name (any case), callable, item, namedItem, tags, element.all",
     "document-all.html", Gesture::None, "", "", "result",
     "truthy,one,one,second,deep,two,HTML,2,four,2,deep,2,length,undefined,x@corvane.example,first,second"},
    {"identity: JScript's ScriptEngine, getYear, Enumerator, ActiveXObject for XMLHTTP only", "jscript.html",
     Gesture::None, "", "", "result", "JScript 5,2026,99,ab,xmlhttp,no file system,ids"},
    {"identity: a page's own document.all, navigator and attachEvent win", "own-definitions.html",
     Gesture::None, "", "", "result", "own all,Own Browser,own"},

    // Internet Explorer's own interfaces.
    {"attachEvent: handler runs with window.event.srcElement and this the window, detachEvent removes",
     "attachevent.html", Gesture::Click, "", "target", "log.join()",
     "load,click:target:window:0,document:target"},
    {"<script for=\"press\" event=\"onclick\"> is the element's handler", "script-for.html", Gesture::Click,
     "", "press", "document.all.said.innerText", "pressed by press"},
    {"event: returnValue = false keeps a link from being followed", "event-fields.html", Gesture::Click, "",
     "link",
     "log.filter(function (l) { return l.indexOf('link') == 0; }).join() + '|' + location.pathname.split('/').pop()",
     "link:link|event-fields.html"},
    {"event: button 1 for the left button, cancelBubble stops the parent", "event-fields.html",
     Gesture::Click, "", "inner", "log.filter(function (l) { return l.indexOf('over') < 0; }).join()",
     "button:1"},
    {"event: fromElement and toElement", "event-fields.html", Gesture::Hover, "link", "inner",
     "log.filter(function (l) { return l.indexOf('over') == 0; }).join()", "over from link to inner"},
    {"currentStyle and runtimeStyle", "currentstyle.html", Gesture::None, "", "", "result",
     "120px,#ff0000,left,#00ff00,#00ff00,navy,#000080"},
    {"style.left = 40 is 40 pixels in a standards page too", "unitless.html", Gesture::None, "", "", "result",
     "40px,25px,35px,10px"},
    {"style.pixelLeft animation and pos*", "pixel-position.html", Gesture::None, "", "", "result",
     "0,10,2,5em,100px"},
    {"filter: alpha in a style sheet is opacity, filters.alpha.opacity reads and writes it",
     "filter-alpha.html", Gesture::None, "", "",
     "result + '|' + getComputedStyle(document.all.sheet).opacity", "50,1,30,alpha(opacity=50)|0.8"},
    {"filter: progid Alpha in a style attribute, filters.item(...).Opacity", "filter-alpha.html",
     Gesture::None, "", "", "getComputedStyle(document.all.attr).opacity", "0.7"},
    {"filter: style.filter assignments fade by opacity", "filter-alpha.html", Gesture::None, "", "",
     "window.result ? getComputedStyle(document.all.script).opacity : ''", "0.5"},
    {"filter: gray", "filter-visual.html", Gesture::None, "", "", "look('gray')",
     "grayscale(1) | none | none"},
    {"filter: invert", "filter-visual.html", Gesture::None, "", "", "look('invert')",
     "invert(1) | none | none"},
    {"filter: xray", "filter-visual.html", Gesture::None, "", "", "look('xray')",
     "grayscale(1) invert(1) | none | none"},
    {"filter: fliph", "filter-visual.html", Gesture::None, "", "", "look('fliph')",
     "none | matrix(-1, 0, 0, 1, 0, 0) | none"},
    {"filter: flipv", "filter-visual.html", Gesture::None, "", "", "look('flipv')",
     "none | matrix(1, 0, 0, -1, 0, 0) | none"},
    {"filter: progid Blur", "filter-visual.html", Gesture::None, "", "", "look('blur')",
     "blur(3px) | none | none"},
    {"filter: glow", "filter-visual.html", Gesture::None, "", "", "look('glow')",
     "drop-shadow(rgb(255, 0, 0) 0px 0px 4px) drop-shadow(rgb(255, 0, 0) 0px 0px 4px) | none | none"},
    {"filter: shadow", "filter-visual.html", Gesture::None, "", "", "look('shadow')",
     "drop-shadow(rgb(0, 0, 0) 2.8px 2.8px 2px) | none | none"},
    {"filter: dropshadow", "filter-visual.html", Gesture::None, "", "", "look('dropshadow')",
     "drop-shadow(rgb(0, 0, 255) 3px 2px 0px) | none | none"},
    {"filter: progid Gradient", "filter-visual.html", Gesture::None, "", "", "look('gradient')",
     "none | none | linear-gradient(to right, rgb(255, 0, 0), rgb(0, 0, 255))"},
    {"filter: progid BasicImage rotation and grayscale", "filter-visual.html", Gesture::None, "", "",
     "look('rotation').replace(/e-17/g, '')", "grayscale(1) | matrix(6.12323, 1, -1, 6.12323, 0, 0) | none"},
    {"blendTrans: apply, change, play fades the old look away, then onfilterchange", "blendtrans.html",
     Gesture::Click, "", "go", "overlay()", "fading"},
    {"blendTrans: the transition ends with onfilterchange and the new look", "blendtrans.html",
     Gesture::Click, "", "go", "ended.join() + '|' + overlay()", "slide:0|none"},
    {"revealTrans: every kind 0-23 reveals by a shape and ends", "revealtrans.html", Gesture::None, "", "",
     "midway.length + ':' + ended.length", "24:24"},
    {"cursor: hand in a standards page's sheet, style attribute and script", "cursor-hand.html",
     Gesture::None, "", "", "cursors()", "pointer,pointer,pointer"},
    {"document.selection and createTextRange for a text box", "selection.html", Gesture::None, "", "",
     "caret()", "4:5:x"},
    {"createTextRange on the page, document.selection.empty", "selection.html", Gesture::None, "", "",
     "pageRange()", "Some words on the page|None"},
    {"createTextRange + execCommand(\"Copy\") after a click", "selection.html", Gesture::Click, "", "copy",
     "seen.join()", "Text,var x = 1;,copied"},
    {"createStyleSheet, insertAdjacent*, createElement(\"<...>\"), swapNode, removeNode, execScript, AddFavorite",
     "iedom.html", Gesture::None, "", "", "result",
     "rgb(255, 0, 0),rgb(0, 0, 255),a-b,radio:pick,b,BODY,7,parentWindow"},
    {"setCapture sends the mouse to the element until releaseCapture", "setcapture.html", Gesture::Drag,
     "handle", "elsewhere", "log.join()", "down,move from elsewhere,up,lost"},
    {"showModalDialog gives dialogArguments and returns returnValue", "modaldialog.html", Gesture::Click, "",
     "ask", "answer", "got 42"},
    {"createPopup shows its document by the element", "createpopup.html", Gesture::None, "", "", "shown()",
     "true,block,30,55,120,40,popup text"},
    {"<bgsound> plays once or for ever as loop says", "bgsound.html", Gesture::None, "", "", "sounds()",
     "once:tone.wav:once:playing,ever:tone.wav:loop:playing"},
    {"clipboardData only after the user's click", "clipboard.html", Gesture::Click, "", "copy", "log.join()",
     "load:false,click:true,read:Corvane clip"},

    // Netscape 4's layers.
    {"document.layers by index, id and name; nested layers; layer.document.images; document.<layer>",
     "layers.html", Gesture::None, "", "", "result",
     "2,ball,panel,5:6:105:106,IMG,1,static skipped,parent,top,100"},
    {"layer moveTo, moveBy, moveToAbsolute and a left += 10 animation", "layer-move.html", Gesture::None, "",
     "", "result", "10:20,15:15,40:40,100:60:100px"},
    {"layer visibility, zIndex, bgColor, background.src, clip, resizeTo, resizeBy", "layer-properties.html",
     Gesture::None, "", "", "result",
     "show,hide,hidden,5,rgb(0, 255, 0),tile.gif,100x60,0:10:50:60,polygon(0px 10px, 50px 10px, 50px 60px, 0px 60px),"
     "90x45,90x45"},
    {"layer.document open, write, close, forms", "layer-document.html", Gesture::None, "", "", "result",
     "fresh,1,q"},
    {"layer.load(src, width) shows the page and runs its script", "layer-load.html", Gesture::None, "", "",
     "result", "loaded content:150:ran"},
    {"new Layer(width): hidden until shown, written, moved", "new-layer.html", Gesture::None, "", "",
     "result", "hide,show,30,40,180,made by script"},
    {"<layer> and <ilayer> are positioned boxes, src loaded, <nolayer> hidden", "layer-tags.html",
     Gesture::None, "", "", "boxes()",
     "50,40,120,rgb(255, 204, 0),hidden,hide,relative,loaded content,nolayer hidden"},
    {"captureEvents, Event masks, event.pageX and which", "ns4-events.html", Gesture::ShiftPress, "", "area",
     "log.filter(function (l) { return l.indexOf('move') < 0; }).join()", "masks:16:1:64:1024,down:1:shift"},
    {"document.onmousemove after captureEvents gets pageX and pageY", "ns4-events.html", Gesture::Move,
     "area", "area", "log.filter(function (l) { return l.indexOf('move:') == 0; }).length > 0", "true"},

    // VBScript: each page compares what its blocks did with what VBScript does; "ok" or the list
    // of what differed.
    {"vbscript: blocks run in document order among the JavaScript ones; document.write lands in place",
     "../vbscript/order.html", Gesture::None, "", "", "document.title", "ok"},
    {"vbscript: a <script src> .vbs file", "../vbscript/external.html", Gesture::None, "", "",
     "document.title", "ok"},
    {"vbscript: JavaScript calls VBScript and VBScript calls JavaScript, the page in any letter case",
     "../vbscript/interop.html", Gesture::None, "", "", "document.title", "ok"},
    {"vbscript: event attributes in the page's first language, Me, window.event, returnValue",
     "../vbscript/handlers.html", Gesture::None, "", "", "document.title", "ok"},
    {"vbscript: language=\"VBScript\" and vbscript: on a handler", "../vbscript/handlers-language.html",
     Gesture::None, "", "", "document.title", "ok"},
    {"vbscript: Sub name_event, window_onload, <script for event>", "../vbscript/events.html", Gesture::None,
     "", "", "document.title", "ok"},
    {"vbscript: vbscript: addresses", "../vbscript/vbscript-url.html", Gesture::None, "", "",
     "document.title", "ok"},
    {"vbscript: operators, precedence, = as comparison, &, \\, Mod, ^, Is, logic, Empty and Null",
     "../vbscript/operators.html", Gesture::None, "", "", "document.title", "ok"},
    {"vbscript: names in any case, Dim, Const, arrays, ReDim Preserve, Erase", "../vbscript/variables.html",
     Gesture::None, "", "", "document.title", "ok"},
    {"vbscript: If, Select Case with ranges and Is, For Step, For Each, Do, While, Exit",
     "../vbscript/flow.html", Gesture::None, "", "", "document.title", "ok"},
    {"vbscript: Sub and Function, ByRef by default, ByVal, Call, recursion", "../vbscript/procedures.html",
     Gesture::None, "", "", "document.title", "ok"},
    {"vbscript: On Error Resume Next, Err, deep recursion ends with an error", "../vbscript/errors.html",
     Gesture::None, "", "", "document.title", "ok"},
    {"vbscript: string functions", "../vbscript/strings.html", Gesture::None, "", "", "document.title", "ok"},
    {"vbscript: conversions and numbers", "../vbscript/numbers.html", Gesture::None, "", "", "document.title",
     "ok"},
    {"vbscript: dates", "../vbscript/dates.html", Gesture::None, "", "", "document.title", "ok"},
    {"vbscript: Class, Scripting.Dictionary, RegExp, With, Eval, Execute, GetRef", "../vbscript/objects.html",
     Gesture::None, "", "", "document.title", "ok"},

    // Behaviors.
    {"behaviors: PROPERTY, METHOD, EVENT with fire(), ATTACH, contentready and documentready",
     "../behaviors/component.html", Gesture::None, "", "", "document.title", "ok"},
    {"behaviors: from a linked and an imported style sheet and a style attribute", "../behaviors/where.html",
     Gesture::None, "", "", "document.title", "ok"},
    {"behaviors: elements added or matching later get theirs", "../behaviors/later.html", Gesture::None, "",
     "", "document.title", "ok"},
    {"behaviors: a component in VBScript", "../behaviors/vbscript-component.html", Gesture::None, "", "",
     "document.title", "ok"},
    {"behaviors: addBehavior", "../behaviors/addbehavior.html", Gesture::None, "", "", "document.title",
     "ok"},
};

class CompatPages : public ::testing::TestWithParam<CompatCase> {
protected:
    // One view for every row: each page is small and loads in a moment.
    static void SetUpTestSuite()
    {
        view_ = new WebView;
        view_->resize(480, 360);
        view_->show();
    }
    static void TearDownTestSuite()
    {
        delete view_;
        view_ = nullptr;
    }

    static QWidget* surface() { return test::inputSurface(*view_); }

    // The centre of the element, in the view's coordinates.
    static QPoint centreOf(const char* id)
    {
        const QVariant rect =
            evaluate(*view_, QStringLiteral("(function () { var r = document.getElementById('%1')"
                                            ".getBoundingClientRect(); return JSON.stringify("
                                            "[r.left + r.width / 2, r.top + r.height / 2]); })()")
                                 .arg(QLatin1String(id)));
        const QJsonDocument json = QJsonDocument::fromJson(rect.toString().toUtf8());
        return {qRound(json[0].toDouble()), qRound(json[1].toDouble())};
    }

    static void perform(const CompatCase& c)
    {
        QWidget* target = surface();
        switch (c.gesture) {
        case Gesture::None: break;
        case Gesture::Click: QTest::mouseClick(target, Qt::LeftButton, {}, centreOf(c.target)); break;
        case Gesture::ShiftPress:
            QTest::mousePress(target, Qt::LeftButton, Qt::ShiftModifier, centreOf(c.target));
            QTest::mouseRelease(target, Qt::LeftButton, Qt::ShiftModifier, centreOf(c.target));
            break;
        case Gesture::Hover:
            QTest::mouseMove(target, centreOf(c.from));
            // The page has to see the pointer there before it leaves.
            test::waitInPage(
                *view_,
                QStringLiteral("document.getElementById('%1').matches(':hover')").arg(QLatin1String(c.from)));
            QTest::mouseMove(target, centreOf(c.target));
            break;
        case Gesture::Drag:
            QTest::mousePress(target, Qt::LeftButton, {}, centreOf(c.from));
            QTest::mouseMove(target, centreOf(c.target));
            QTest::mouseRelease(target, Qt::LeftButton, {}, centreOf(c.target));
            break;
        case Gesture::Move:
            QTest::mouseMove(target, centreOf(c.from) - QPoint(20, 20));
            QTest::mouseMove(target, centreOf(c.target));
            break;
        }
    }

    static WebView* view_;
};

WebView* CompatPages::view_ = nullptr;

TEST_P(CompatPages, theConstructHasItsEffect)
{
    const CompatCase& c = GetParam();
    const QString page = QStringLiteral(CORVANE_COMPAT_PAGES) + QLatin1String(c.page);
    ASSERT_TRUE(loadPage(*view_, page));
    perform(c);
    const QString expected = QString::fromUtf8(c.expected);
    QString seen;
    const bool matched = waitUntil(
        [&] {
            seen = evaluate(*view_, QStringLiteral("String(%1)").arg(QString::fromUtf8(c.expression)))
                       .toString();
            return seen == expected;
        },
        5000);
    EXPECT_TRUE(matched) << c.expression << "\n  gave: " << seen.toStdString() << "\n  want: " << c.expected;
}

INSTANTIATE_TEST_SUITE_P(Layer, CompatPages, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name;
    for (const char c : std::string(info.param.name))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return std::to_string(info.index) + "_" + name.substr(0, 60);
});

} // namespace
} // namespace corvane
