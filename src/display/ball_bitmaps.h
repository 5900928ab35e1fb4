#pragma once
// Each account's small (16 pixels) and large (32 pixels) ball bitmap: what its
// balls show, and what the POP3 settings dialog previews for its slot.
#include "resource_ids.h"
#include "settings/settings.h"

namespace zorvane {

struct BallBitmaps {
  int small;
  int large;
};

// Index 0 is account 1.
constexpr BallBitmaps kBallBitmaps[kAccountCount] = {{IDB_BALL1_SMALL, IDB_BALL1_LARGE},
                                                     {IDB_BALL2_SMALL, IDB_BALL2_LARGE},
                                                     {IDB_BALL3_SMALL, IDB_BALL3_LARGE},
                                                     {IDB_BALL4_SMALL, IDB_BALL4_LARGE}};

}  // namespace zorvane
