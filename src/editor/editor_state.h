// What the address editor keeps between the messages of its dialog and from one opening to the
// next. There is one editor for the whole driver, shared by all instances; only one dialog is
// open at a time (editorOpen).
#ifndef ZAN_EDITOR_EDITOR_STATE_H_
#define ZAN_EDITOR_EDITOR_STATE_H_

#include <atomic>
#include <cstdint>

#include "core/driver_state.h"
#include "editor/editor_tables.h"

namespace zan::editor {

// The longest address the editor composes, without its terminator: the host's buffer holds it.
constexpr int kComposedTextMax = 15;

constexpr unsigned char kNoClient = 255;

struct EditorState {
  // Set while command 16 runs; a second command 16 meanwhile is turned away. Atomic because the
  // host may call from another thread while the dialog runs its own message loop.
  std::atomic<bool> editorOpen{false};

  // Loaded from the instance's configuration file at every opening, without a reset: it lists the
  // configured PLCs and gives the LONG_DB option. Never the state of a live instance.
  DriverState privateState;
  bool longDb = false;  // set when a load finds LONG_DB; stays set

  unsigned char client = kNoClient;  // host client number of the running command

  char resultText[kComposedTextMax + 1] = {};  // the composed address

  // The fields as confirmation last formatted them, and the number each spinner remembers.
  char dataBlockText[5] = {};  // "%03d" or "%04d"
  char offsetText[5] = {};     // "%04d", or "%04X" for a hexadecimal offset
  char bitText[3] = {};        // "%02d"; empty when the field was empty
  int32_t rememberedDataBlock = 0;
  int32_t rememberedOffset = 0;
  int32_t rememberedBit = 0;

  // The selections of the three lists as last read; the type's as an index of the type table.
  int plcSelection = -1;
  int areaSelection = -1;
  int typeSelection = -1;

  // The type table's index of each entry of the type list as it was last filled: the list leaves
  // out what the chosen PLC does not take (an S5 has no data block bytes).
  int typeEntries[kTypeCount] = {};
  int typeEntryCount = 0;
};

// The driver's one editor state.
EditorState& TheEditorState();

}  // namespace zan::editor

#endif  // ZAN_EDITOR_EDITOR_STATE_H_
