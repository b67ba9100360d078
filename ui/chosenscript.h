#pragma once

#include <QString>

#include <string>

namespace corvane {

class ScriptLibrary;

// A script as the selection column names it: the texts of the category box and the script box,
// read once for the event that uses them. Either may be empty; nothing checks that they exist.
struct ChosenScript {
    QString category;
    QString script;

    // The script's file, composed as the program always has: with no script it names the
    // category's folder.
    QString path(const ScriptLibrary& library) const;
    // The folder the script's relative addresses start from: its category's, or with no
    // category the program directory.
    std::string folder(const ScriptLibrary& library) const;
};

} // namespace corvane
