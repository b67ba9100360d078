#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <array>

class QTimer;

namespace corvane {

// Colours the code box: HTML with its CSS and JavaScript. Only the layout's formats change, never
// the document, so the text and what copying puts on the clipboard stay plain.
//
// A large text is coloured from the top: a first part at once (what the box shows when a script
// is chosen), the rest in slices on the event loop, so that choosing a big script costs little
// more than showing its text.
class CodeHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit CodeHighlighter(QTextDocument* document);

    // True when every line has been coloured.
    bool isComplete() const;

    // Characters coloured at once after a change, and in each later slice.
    static constexpr int kFirstPart = 16 * 1024;
    static constexpr int kSlice = 32 * 1024;

protected:
    void highlightBlock(const QString& text) override;

private:
    void colourNextSlice();

    std::array<QTextCharFormat, 16> formats_;
    int budget_ = 0;
    int firstWaiting_ = -1; // number of the first block not coloured yet; -1 when none
    QTimer* slices_;
};

} // namespace corvane
