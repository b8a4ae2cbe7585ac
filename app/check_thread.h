#pragma once
// Starting one check on a worker thread of its own.
#include <memory>

#include "app/configuration.h"
#include "status/status_check.h"
#include "status/text.h"

namespace pubg {

// Runs StatusCheck on a new detached thread and returns at once. The worker holds its own shares
// of the display and the settings, so both outlive it whatever the UI thread does meanwhile. A
// thread that cannot be created is ignored: no check runs.
void StartCheckThread(std::shared_ptr<CheckDisplay> display, std::shared_ptr<const Settings> settings,
                      TextView url);

}  // namespace pubg
