// One X server (Xvfb) for each program that the bench measures, so that the server's CPU
// time can be told apart program by program, optionally with openbox managing it.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <string>

namespace whole {

class Server {
  public:
    // Starts Xvfb (1280x1024x24) on a free display, and openbox on it when asked; exits
    // the bench with a message when either does not come up.
    explicit Server(bool openbox);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    const std::string& Name() const { return name_; }
    pid_t Pid() const { return xvfb_; }
    Display* X() const { return display_; }  // the bench's own connection

    void MovePointer(int x, int y) const;  // XTest, flushed
    // The first viewable window of exactly this size, anywhere in the tree; None if none.
    Window FindWindow(int width, int height) const;

  private:
    pid_t xvfb_ = -1, openbox_ = -1;
    std::string name_;
    Display* display_ = nullptr;
};

}  // namespace whole
