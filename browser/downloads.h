#pragma once

class QWebEngineProfile;

namespace corvane {

// Downloads of `profile` ask where to save with the save dialog of the page that started them
// (the user's download folder first), save there, and say so when they fail. A page without
// boxes of ours, or a dialog the user cancels, saves nothing. Safe to call more than once.
void askWhereToSaveDownloads(QWebEngineProfile& profile);

} // namespace corvane
