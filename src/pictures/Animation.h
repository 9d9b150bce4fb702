#pragma once
// The project's animations on screen, sharp at any pixel density.
#include <QString>

class QLabel;
class QMovie;

namespace QuorvelAssets {

// Plays an animation by file name (e.g. "login-banner.gif") on a label, looping, and returns it
// (owned by the label). On a dense screen it plays the "@2x" drawing where one exists and hands
// the label each frame marked with its pixel ratio, so the animation keeps its size and stays
// sharp; a label playing a movie itself would show the frames at their pixel size, or blurred.
QMovie *playAnimation(QLabel *label, const QString &fileName);

} // namespace QuorvelAssets
