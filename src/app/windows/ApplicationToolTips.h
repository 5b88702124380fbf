#pragma once

namespace korvex {

// The application's tooltips, on or off for every window at once. Off, a filter on the
// application swallows every tooltip request and a tooltip on the screen is hidden; on
// (the start state), the filter is gone.
void setApplicationToolTips(bool shown);
bool applicationToolTipsShown();

} // namespace korvex
