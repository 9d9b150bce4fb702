#pragma once
// The pointer the login window's own close and minimise buttons show: a 32 × 32 black-and-white
// pointing hand drawn here, with the fingertip as its hot spot.
#include <QCursor>
#include <QPoint>

namespace ButtonCursor {

inline constexpr int kSize = 32;
inline constexpr QPoint kHotSpot{5, 0};

[[nodiscard]] QCursor cursor();

} // namespace ButtonCursor
