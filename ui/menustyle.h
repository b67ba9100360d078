#pragma once

class QMenu;

namespace corvane {

// Menu entries show their pictures at the image list's 32 × 32 instead of the style's 16 × 16.
void useLargeMenuIcons(QMenu* menu);

} // namespace corvane
