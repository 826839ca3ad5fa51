#pragma once

namespace fw {

// The session manager's request that the program save what it holds (at a logout, or at one of
// its checkpoints), as the program's handler sees it. The program goes on running: the session
// manager decides afterwards whether it ends, and then asks it to quit as the user's Quit does.
class SessionCommit {
 public:
  virtual ~SessionCommit() = default;
  // Whether the user may be asked something now; asks the session manager, which may keep the
  // program waiting for its turn. Ask only when a question is needed.
  virtual bool AllowsInteraction() = 0;
  // The user chose to keep the program running: the logout stops.
  virtual void Cancel() = 0;
  // The questions are over: the session manager may go on.
  virtual void Release() = 0;
};

}  // namespace fw
