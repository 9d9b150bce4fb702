#pragma once
// The panel's own pictures (top image, level badges, the avatar of a member without one), drawn
// by the project and compiled in as resources.
#include <QPixmap>

namespace PanelPictures {

// Registers the compiled-in pictures; the panel's library is static, so nothing else pulls them in.
void ensureLoaded();

[[nodiscard]] QPixmap topImage();
// 0 VIP, 1 not VIP, 2 SVIP (the order of the panel's badges).
[[nodiscard]] QPixmap badge(int index);
[[nodiscard]] QPixmap noAvatar();

} // namespace PanelPictures
