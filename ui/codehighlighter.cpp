#include "ui/codehighlighter.h"

#include "syntax/htmllexer.h"
#include "syntax/palette.h"

#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <string_view>
#include <vector>

namespace corvane {
namespace {

// A line's user state: the lexer's state at its end, and whether its colours are on.
constexpr int kColoured = 1 << 30;

syntax::LexState stateBefore(const QTextBlock& block)
{
    const QTextBlock previous = block.previous();
    if (!previous.isValid() || previous.userState() < 0)
        return syntax::kDocumentStart;
    return previous.userState() & ~kColoured;
}

syntax::LexState lexBlock(const QString& text, syntax::LexState state, std::vector<syntax::Token>& tokens)
{
    const std::u16string_view line(reinterpret_cast<const char16_t*>(text.utf16()),
                                   static_cast<std::size_t>(text.size()));
    return syntax::lexLine(line, state, tokens);
}

} // namespace

CodeHighlighter::CodeHighlighter(QPlainTextEdit* edit)
    : QSyntaxHighlighter(static_cast<QObject*>(edit->document()))
    , edit_(edit)
    , slices_(new QTimer(this))
    , visible_(new QTimer(this))
{
    // Colour only: the box keeps its one font, so the initial line looks as it always did.
    for (std::size_t kind = 0; kind < syntax::kTokenKindCount; ++kind) {
        std::uint32_t rgb = 0;
        if (syntax::tokenColour(static_cast<syntax::TokenKind>(kind), rgb))
            formats_[kind].setForeground(QColor(QRgb(rgb)));
    }
    for (QTimer* timer : {slices_, visible_}) {
        timer->setSingleShot(true);
        timer->setInterval(0);
    }
    connect(slices_, &QTimer::timeout, this, &CodeHighlighter::nextSlice);
    connect(visible_, &QTimer::timeout, this, &CodeHighlighter::colourVisible);
    // Scrolling and resizing bring other lines into view.
    connect(edit, &QPlainTextEdit::updateRequest, visible_, qOverload<>(&QTimer::start));

    QTextDocument* document = edit->document();
    setDocument(document);
    // At once: until the base class's own deferred first pass has run it ignores every change.
    rehighlight();
    // The base class would go over every changed line at once, which for a script of megabytes
    // costs as much again as showing it; changes are followed here instead.
    document->disconnect(this);
    connect(document, &QTextDocument::contentsChange, this, &CodeHighlighter::contentsChange);
    blockCount_ = document->blockCount();
}

CodeHighlighter::~CodeHighlighter()
{
    // The base class clears the formats on its way out; that change is none of ours.
    if (QTextDocument* doc = document())
        doc->disconnect(this);
}

void CodeHighlighter::contentsChange(int from, int, int charsAdded)
{
    const QTextDocument* doc = document();
    QTextBlock block = doc->findBlock(from);
    if (!block.isValid())
        return;
    // Lines added or removed above the frontier move it.
    const int delta = doc->blockCount() - blockCount_;
    blockCount_ = doc->blockCount();
    if (frontier_ >= 0 && block.blockNumber() < frontier_)
        frontier_ = std::max(block.blockNumber(), frontier_ + delta);

    QTextBlock last = doc->findBlock(from + charsAdded);
    const int mustReach = last.isValid() ? last.blockNumber() : doc->blockCount() - 1;
    budget_ = kFirstPart;
    while (block.isValid()) {
        const int number = block.blockNumber();
        if (frontier_ >= 0 && number > frontier_)
            break;
        if (budget_ <= 0) {
            frontier_ = frontier_ < 0 ? number : std::min(frontier_, number);
            slices_->start();
            break;
        }
        // The changed lines are in view, where the user is typing or at the top of a new text.
        const bool changed = update(block, number <= mustReach);
        if (number == frontier_)
            frontier_ = block.next().isValid() ? number + 1 : -1;
        else if (!changed && number >= mustReach)
            break;
        block = block.next();
    }
    // Lines further down whose state changed have lost their colours until they are in view.
    visible_->start();
}

// Works out a line's end state, and colours it when asked; true when the state changed.
bool CodeHighlighter::update(const QTextBlock& block, bool colour)
{
    const int before = block.userState() < 0 ? -1 : block.userState() & ~kColoured;
    if (colour) {
        updating_ = true;
        rehighlightBlock(block);
        updating_ = false;
    } else {
        std::vector<syntax::Token> tokens;
        lastState_ = lexBlock(block.text(), stateBefore(block), tokens);
    }
    // Stored here rather than in highlightBlock(), so that the base class goes no further down.
    QTextBlock(block).setUserState(colour ? lastState_ | kColoured : lastState_);
    budget_ -= block.length();
    return lastState_ != before;
}

void CodeHighlighter::highlightBlock(const QString& text)
{
    std::vector<syntax::Token> tokens;
    const syntax::LexState state = lexBlock(text, stateBefore(currentBlock()), tokens);
    for (const syntax::Token& token : tokens)
        setFormat(static_cast<int>(token.start), static_cast<int>(token.length),
                  formats_[static_cast<std::size_t>(token.kind)]);
    if (updating_)
        lastState_ = state;
    else
        setCurrentBlockState(state | kColoured);
}

void CodeHighlighter::nextSlice()
{
    const QTextDocument* doc = document();
    if (!doc || frontier_ < 0)
        return;
    QTextBlock block = doc->findBlockByNumber(frontier_);
    budget_ = kSlice;
    while (block.isValid() && budget_ > 0) {
        update(block, false);
        block = block.next();
    }
    frontier_ = block.isValid() ? block.blockNumber() : -1;
    if (frontier_ >= 0)
        slices_->start();
    colourVisible();
}

void CodeHighlighter::colourVisible()
{
    if (!edit_ || !document())
        return;
    QTextBlock block = edit_->cursorForPosition(QPoint(0, 0)).block();
    const int lines = edit_->viewport()->height() / std::max(1, edit_->fontMetrics().lineSpacing()) + 2;
    for (int i = 0; i < lines && block.isValid(); ++i, block = block.next()) {
        if (frontier_ >= 0 && block.blockNumber() >= frontier_)
            break;
        if (block.userState() < 0 || !(block.userState() & kColoured))
            update(block, true);
    }
}

} // namespace corvane
