#pragma once

// What the profile transfer needs from whoever drives it: the questions and
// notices, the status line, the board's serial and firmware fields, the
// offer of a firmware update, and the seven profile records read or to be
// written. The editor adapts this to the settings pages of a window (the
// panel, the tests' headless editor); the command line answers it on the
// terminal. Questions are Yes/No and only Yes proceeds.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "devlink/board_identity.h"
#include "profiles/profile_model.h"

namespace vt::profiles {

// Status codes: bit 7 the error flag, bits 0-6 the text index.
inline constexpr uint8_t kTransferOk = devlink::kStatusOk;
inline constexpr uint8_t kTransferIoError = devlink::kStatusNoResponse;
// The status text of a code ("OK", "Velotrack I/O Error", ...); codes the
// table does not know are "Undefined".
std::string StatusText(uint8_t code);

class TransferUi {
 public:
  virtual ~TransferUi() = default;

  // Yes/No question; true only for Yes.
  virtual bool Ask(std::string_view text, std::string_view caption) = 0;
  // An error notice with an OK button.
  virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
  // The status line during an operation ("Reading profiles...").
  virtual void SetStatus(std::string_view text) = 0;
  // How the operation ended, as a status code; by default its text on the
  // status line.
  virtual void ShowResult(uint8_t code) { SetStatus(StatusText(code)); }
  // The board's serial as the main window shows it.
  virtual void ShowSerial(std::string_view text) = 0;
  // "Firmware version: 5.32.0".
  virtual void ShowFirmware(std::string_view text) = 0;
  // The board runs older firmware than the built-in image: the update is
  // offered once the read is over.
  virtual void OfferUpgrade() = 0;

  // The seven records (560 bytes) a read found, or the fallback when it
  // found none, for the pages to show.
  virtual void ShowProfiles(std::span<const uint8_t> records) = 0;
  // The seven records a write puts on the board.
  virtual ProfileRecordsBytes ProfilesToWrite() = 0;
};

}  // namespace vt::profiles
