#pragma once

class QCoreApplication;

namespace corvane {

// Qt's own texts (the file dialog's labels, column headers and tooltips, the edit menus) in
// Bulgarian, from the system's Qt translations; the program's own texts are no Qt texts and stay
// as they are. False when the translation is not installed.
bool installQtBulgarian(QCoreApplication& application);

} // namespace corvane
