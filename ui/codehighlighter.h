#pragma once

#include <QPointer>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include "syntax/htmllexer.h"

#include <array>

class QPlainTextEdit;
class QTimer;

namespace corvane {

// Colours a code box: HTML with its CSS and JavaScript. Only the layout's formats change, never
// the document, so the text and what copying puts on the clipboard stay plain.
//
// Each line's end state is known from the top down to a frontier; the lines a change touches
// are coloured at once, up to a first part, and the states below are worked out in slices on the
// event loop. Colours go only on the lines the box shows, as they come into view, so a script of
// megabytes costs little more to show than its bare text.
class CodeHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit CodeHighlighter(QPlainTextEdit* edit);
    ~CodeHighlighter() override;

    // How runs of a kind are shown.
    const QTextCharFormat& format(syntax::TokenKind kind) const
    {
        return formats_[static_cast<std::size_t>(kind)];
    }

    // True when every line's state is known.
    bool isComplete() const { return frontier_ < 0; }

    // Characters coloured at once after a change, and worked through in each later slice.
    static constexpr int kFirstPart = 4 * 1024;
    static constexpr int kSlice = 256 * 1024;

protected:
    void highlightBlock(const QString& text) override;

private:
    void contentsChange(int from, int charsRemoved, int charsAdded);
    bool update(const QTextBlock& block, bool colour);
    void nextSlice();
    void colourVisible();

    QPointer<QPlainTextEdit> edit_;
    std::array<QTextCharFormat, syntax::kTokenKindCount> formats_;
    int budget_ = 0;
    // Lines from this number on may hold a state that no longer holds; -1 when none does.
    int frontier_ = -1;
    int blockCount_ = 0;
    bool updating_ = false; // inside update(): the line's state is stored there
    int lastState_ = 0;
    QTimer* slices_;
    QTimer* visible_;
};

} // namespace corvane
