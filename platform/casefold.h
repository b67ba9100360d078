#pragma once

#include <array>
#include <string>
#include <string_view>

namespace corvane {

// Folds Windows-1251 bytes to lower case: Latin A-Z and every Cyrillic capital of the code page
// (Ђ Ѓ Љ Њ Ќ Ћ Џ Ў Ј Ґ Ё Є Ї І Ѕ and А-Я). One byte stays one byte, so positions carry over.
class Cp1251Fold {
public:
    Cp1251Fold();
    unsigned char operator()(unsigned char byte) const { return table_[byte]; }
    // Folds bytes into out, reusing its capacity.
    void fold(std::string_view bytes, std::string& out) const;

private:
    std::array<unsigned char, 256> table_;
};

const Cp1251Fold& cp1251Fold();

// The same letters folded in UTF-8 text (file names, category names); other characters stay.
std::string foldCase(std::string_view utf8);

} // namespace corvane
