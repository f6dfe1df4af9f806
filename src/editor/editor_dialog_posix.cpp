// Linux: the editor is the text form, on the controlling terminal of the host process.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/host_services.h"
#include "editor/editor_dialog.h"
#include "editor/text_form.h"

namespace zan::editor {
namespace {

class Terminal final : public FormTerminal {
 public:
  explicit Terminal(int descriptor) : descriptor_(descriptor) {}

  bool ReadLine(char* buffer, int capacity) override {
    int length = 0;
    for (;;) {
      char c;
      const ssize_t read = ::read(descriptor_, &c, 1);
      if (read < 0 && errno == EINTR) continue;
      if (read <= 0) {
        buffer[length] = '\0';
        // A last line without a line feed still counts; nothing at all is the end.
        return length > 0;
      }
      if (c == '\n') break;
      if (length < capacity - 1) buffer[length++] = c;
    }
    buffer[length] = '\0';
    return true;
  }

  void Write(const char* text) override {
    std::size_t left = std::strlen(text);
    while (left > 0) {
      const ssize_t written = ::write(descriptor_, text, left);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return;
      text += written;
      left -= static_cast<std::size_t>(written);
    }
  }

 private:
  int descriptor_;
};

}  // namespace

int RunEditorDialog(ZanRequest* request, uintptr_t /*ownerWindow*/) {
  const int descriptor = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) {
    ZAN_LOG("ZanDOR: Address editor not shown: no terminal (/dev/tty: %s)", std::strerror(errno));
    return kDialogNotShown;
  }
  Terminal terminal(descriptor);
  const int result = RunTextForm(request, TheEditorState(), terminal);
  ::close(descriptor);
  return result;
}

}  // namespace zan::editor
