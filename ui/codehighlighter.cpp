#include "ui/codehighlighter.h"

#include "syntax/htmllexer.h"

#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <string_view>
#include <vector>

namespace corvane {
namespace {

using syntax::TokenKind;

// Block state of a line not coloured yet; coloured lines hold the lexer's state at their end.
constexpr int kWaiting = -1;

// Dark enough to read on the white box (contrast 4.5:1 or more); page text keeps the box's colour.
struct KindStyle {
    TokenKind kind;
    QRgb colour;
    bool italic;
};
constexpr KindStyle kStyles[] = {
    {TokenKind::Tag, qRgb(0x00, 0x33, 0x99), false},
    {TokenKind::AttributeName, qRgb(0x9c, 0x2b, 0x00), false},
    {TokenKind::AttributeValue, qRgb(0x0b, 0x6e, 0x0b), false},
    {TokenKind::Comment, qRgb(0x6a, 0x6a, 0x6a), true},
    {TokenKind::Doctype, qRgb(0x6f, 0x3d, 0x8f), false},
    {TokenKind::Entity, qRgb(0x8a, 0x4b, 0x00), false},
    {TokenKind::ScriptKeyword, qRgb(0x6f, 0x1f, 0xa2), false},
    {TokenKind::ScriptString, qRgb(0xa3, 0x15, 0x15), false},
    {TokenKind::ScriptNumber, qRgb(0x00, 0x6b, 0x6b), false},
    {TokenKind::ScriptComment, qRgb(0x6a, 0x6a, 0x6a), true},
    {TokenKind::StyleProperty, qRgb(0xa0, 0x00, 0x50), false},
    {TokenKind::StyleString, qRgb(0xa3, 0x15, 0x15), false},
    {TokenKind::StyleNumber, qRgb(0x00, 0x6b, 0x6b), false},
    {TokenKind::StyleComment, qRgb(0x6a, 0x6a, 0x6a), true},
    {TokenKind::StyleAtRule, qRgb(0x6f, 0x1f, 0xa2), false},
};

} // namespace

CodeHighlighter::CodeHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(static_cast<QObject*>(document))
    , slices_(new QTimer(this))
{
    for (const KindStyle& style : kStyles) {
        QTextCharFormat& format = formats_[static_cast<std::size_t>(style.kind)];
        format.setForeground(QColor(style.colour));
        if (style.italic)
            format.setFontItalic(true);
    }
    slices_->setSingleShot(true);
    slices_->setInterval(0);
    connect(slices_, &QTimer::timeout, this, &CodeHighlighter::colourNextSlice);

    // Connected before the base class's own handler, so that every change starts with a fresh
    // first part, and a change above the waiting lines keeps them in reach.
    connect(document, &QTextDocument::contentsChange, this, [this, document](int from, int, int) {
        budget_ = kFirstPart;
        if (firstWaiting_ >= 0)
            firstWaiting_ = std::min(firstWaiting_, document->findBlock(from).blockNumber());
    });
    budget_ = kFirstPart;
    setDocument(document);
    // At once: until the base class's own deferred first pass has run it ignores every change.
    rehighlight();
}

bool CodeHighlighter::isComplete() const
{
    return firstWaiting_ < 0;
}

void CodeHighlighter::highlightBlock(const QString& text)
{
    const QTextBlock block = currentBlock();
    const int previous = previousBlockState();
    const bool first = !block.previous().isValid();
    if (budget_ <= 0 || (!first && previous == kWaiting)) {
        // Same state as before for a waiting line, so the base class stops going down here.
        setCurrentBlockState(kWaiting);
        const int number = block.blockNumber();
        if (firstWaiting_ < 0 || number < firstWaiting_)
            firstWaiting_ = number;
        if (!slices_->isActive())
            slices_->start();
        return;
    }
    budget_ -= static_cast<int>(text.size()) + 1;

    std::vector<syntax::Token> tokens;
    const std::u16string_view line(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    const syntax::LexState state = syntax::lexLine(line, first ? syntax::kDocumentStart : previous, tokens);
    for (const syntax::Token& token : tokens)
        setFormat(static_cast<int>(token.start), static_cast<int>(token.length), formats_[static_cast<std::size_t>(token.kind)]);
    setCurrentBlockState(state);
}

void CodeHighlighter::colourNextSlice()
{
    const QTextDocument* doc = document();
    if (!doc || firstWaiting_ < 0)
        return;
    QTextBlock block = doc->findBlockByNumber(firstWaiting_);
    while (block.isValid() && block.userState() != kWaiting)
        block = block.next();
    firstWaiting_ = -1;
    if (!block.isValid())
        return;
    budget_ = kSlice;
    // Goes on down the lines until the slice is used up; the next waiting line starts the next.
    rehighlightBlock(block);
}

} // namespace corvane
