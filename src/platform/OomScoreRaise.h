// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace corvane {

// While one of these lives, this process is the first the kernel's out-of-memory killer
// takes (oom_score_adj 1000); the last one to go puts back the value that was there.
// Several may live at once, on any threads. Always the kernel's own /proc: a fixture tree
// has no say over this process. Raising needs no privilege, and going back is allowed
// too, since the kernel only refuses going below the lowest value a privileged writer set.
class OomScoreRaise
{
public:
    OomScoreRaise();
    ~OomScoreRaise();
    OomScoreRaise(const OomScoreRaise&) = delete;
    OomScoreRaise& operator=(const OomScoreRaise&) = delete;
};

} // namespace corvane
