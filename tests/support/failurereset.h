#pragma once
// Tests run one after another in one process, where the program would have ended: what an
// unexpected error or a Quit leaves behind must not reach the next test.

// A Quit or an exit asked for with no event loop running leaves Qt's request standing, and every
// later event loop (a modal window's in a later test) would end at once. Running the
// application's loop once uses it up.
void RunOutQuitRequest();

// After an unexpected error a test provoked: fw::HasFailed is false again, and the quit the
// failure asked for (it ended the event loops) is run out. Nothing, when none was reported.
void ResetFailure();
