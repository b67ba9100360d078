#pragma once

#include <QString>

class QWebEngineProfile;

namespace corvane {

// Downloads of `profile` ask where to save with the save dialog of the page that started them
// (the user's download folder first), save there, and say so when they fail. A page without
// boxes of ours, or a dialog the user cancels, saves nothing. Connects once however often called.
void askWhereToSaveDownloads(QWebEngineProfile& profile);

// The name a page suggests for a download, as a plain file name for the download folder: its
// final part only, no leading dots (a hidden file), none of the characters some system keeps out
// of names, and a plain name when nothing is left.
QString downloadFileName(const QString& suggested);

} // namespace corvane
