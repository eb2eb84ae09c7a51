#pragma once

namespace qm {

// Turns the application's activation changes into events: "AppResume" when
// one of its windows gets the keyboard focus while none had it, and
// "AppSuspend" when the last one loses it to another program.
void StartAppActivityEvents();
void StopAppActivityEvents();

}  // namespace qm
