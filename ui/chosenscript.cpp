#include "ui/chosenscript.h"

#include "library/scriptlibrary.h"

namespace corvane {

QString ChosenScript::path(const ScriptLibrary& library) const
{
    return QString::fromStdString(library.scriptPath(category.toStdString(), script.toStdString()));
}

std::string ChosenScript::folder(const ScriptLibrary& library) const
{
    return category.isEmpty() ? library.programDirectory() : library.categoryFolder(category.toStdString());
}

} // namespace corvane
