// SPDX-License-Identifier: MIT
// Built by the Windows cross build only: a Win32 front end includes <windows.h> beside the
// seam's headers, so none of them may use a name that <windows.h> defines as a macro.
#include <windows.h>

#include "frontend/command_line.h"
#include "frontend/daily_seed.h"
#include "frontend/data_directory.h"
#include "frontend/data_directory_files.h"
#include "frontend/error_box.h"
#include "frontend/input_mapping.h"
#include "frontend/keys.h"
#include "frontend/picture_file.h"
#include "frontend/placement.h"
#include "frontend/program.h"
#include "frontend/ranked_round.h"
#include "frontend/replay_place.h"
#include "frontend/session.h"
#include "frontend/tick_schedule.h"
#include "frontend/title_notice.h"
#include "frontend/window_rules.h"
#include "frontend/world.h"

static_assert(enclova::keys::kLeft == VK_LEFT && enclova::keys::kF12 == VK_F12 &&
                  enclova::keys::kEscape == VK_ESCAPE && enclova::keys::Numpad(8) == VK_NUMPAD8,
              "the game's key codes are the virtual-key codes");
