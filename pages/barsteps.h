// When the install page moves its progress bar: the file queue reports one step per
// file, and moving the bar repaints it at once on some systems, which costs as much as
// copying a small file. A step is therefore carried over until it changes what the bar
// draws: a new pixel column of the filled part, or the end of the range.
#pragma once

// 1 when a bar `width` pixels wide over 0..`range`, standing at `shown`, must be moved
// to `target` now: the filled part would end in another pixel column, or `target`
// reaches or passes the end of the range. Every position counts when the range or the
// width is not positive.
int BarMoveIsVisible(int shown, int target, int range, int width);
