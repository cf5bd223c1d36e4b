#include "sim/usb/usb_board_device.h"

#include <algorithm>
#include <array>

namespace vt::sim::usb {

namespace {

using platform::kWaitFailed;
using platform::kWaitOk;
using platform::kWaitTimeout;

// bmRequestType values: direction | type | recipient.
constexpr uint8_t kInStandardDevice = 0x80;
constexpr uint8_t kInStandardInterface = 0x81;
constexpr uint8_t kInStandardEndpoint = 0x82;
constexpr uint8_t kOutStandardDevice = 0x00;
constexpr uint8_t kOutStandardInterface = 0x01;
constexpr uint8_t kOutStandardEndpoint = 0x02;
constexpr uint8_t kOutClassInterface = 0x21;
constexpr uint8_t kInClassInterface = 0xA1;

// Standard requests.
constexpr uint8_t kGetStatus = 0x00;
constexpr uint8_t kClearFeature = 0x01;
constexpr uint8_t kSetFeature = 0x03;
constexpr uint8_t kSetAddress = 0x05;
constexpr uint8_t kGetDescriptor = 0x06;
constexpr uint8_t kGetConfiguration = 0x08;
constexpr uint8_t kSetConfiguration = 0x09;
constexpr uint8_t kGetInterface = 0x0A;
constexpr uint8_t kSetInterface = 0x0B;

// HID class requests.
constexpr uint8_t kHidGetReport = 0x01;
constexpr uint8_t kHidGetIdle = 0x02;
constexpr uint8_t kHidGetProtocol = 0x03;
constexpr uint8_t kHidSetReport = 0x09;
constexpr uint8_t kHidSetIdle = 0x0A;
constexpr uint8_t kHidSetProtocol = 0x0B;
constexpr uint8_t kReportTypeOutput = 0x02;

// Content of the longest string descriptor.
constexpr size_t kStringContentMax = 253;

TransferResult Ok(std::vector<uint8_t> data = {}) { return {TransferStatus::kOk, std::move(data)}; }
TransferResult Stall() { return {TransferStatus::kStall, {}}; }

}  // namespace

UsbBoardDevice::UsbBoardDevice(platform::HidBackend& backend, bool outEndpoint)
    : backend_(backend), outEndpoint_(outEndpoint) {}

UsbBoardDevice::~UsbBoardDevice() { Detach(); }

bool UsbBoardDevice::Attach(const std::string& path) {
  Detach();
  for (const auto& info : backend_.Enumerate()) {
    if (!path.empty() && info.path != path) continue;
    platform::HidHandle h = platform::kInvalidHidHandle;
    if (backend_.Open(info.path, &h) != kWaitOk) return false;
    handle_ = h;
    path_ = info.path;
    shape_ = ShapeOf(info, outEndpoint_);
    lost_ = false;
    configuration_ = 0;
    idleRate_ = 0;
    protocol_ = 1;
    heldString_.reset();
    return true;
  }
  return false;
}

void UsbBoardDevice::Detach() {
  if (handle_ != platform::kInvalidHidHandle) backend_.Close(handle_);
  handle_ = platform::kInvalidHidHandle;
}

void UsbBoardDevice::NoteFailure(int rc) {
  if (rc == kWaitFailed) lost_ = true;
}

TransferResult UsbBoardDevice::Control(const SetupPacket& setup, std::span<const uint8_t> outData) {
  if (!Attached()) return {TransferStatus::kIoError, {}};
  TransferResult r;
  switch (setup.requestType) {
    case kInStandardDevice:
    case kInStandardInterface:
    case kInStandardEndpoint:
      r = StandardIn(setup);
      break;
    case kOutStandardDevice:
      if (setup.request == kSetConfiguration && setup.value <= 1) {
        configuration_ = static_cast<uint8_t>(setup.value);
        r = Ok();
      } else if (setup.request == kSetAddress ||
                 ((setup.request == kClearFeature || setup.request == kSetFeature) &&
                  setup.value == 1)) {  // remote wake-up: accepted, never used
        r = Ok();
      } else {
        r = Stall();
      }
      break;
    case kOutStandardInterface:
      r = (setup.request == kSetInterface && setup.index == 0 && setup.value == 0) ? Ok() : Stall();
      break;
    case kOutStandardEndpoint:  // CLEAR_FEATURE(ENDPOINT_HALT): nothing ever halts
      r = (setup.request == kClearFeature && setup.value == 0) ? Ok() : Stall();
      break;
    case kOutClassInterface:
    case kInClassInterface:
      r = ClassRequest(setup, outData);
      break;
    default:
      r = Stall();
  }
  if (r.data.size() > setup.length) r.data.resize(setup.length);
  return r;
}

TransferResult UsbBoardDevice::StandardIn(const SetupPacket& setup) {
  const bool toInterface = setup.requestType == kInStandardInterface;
  switch (setup.request) {
    case kGetStatus:
      return Ok({0, 0});
    case kGetConfiguration:
      return setup.requestType == kInStandardDevice ? Ok({configuration_}) : Stall();
    case kGetInterface:
      return toInterface && setup.index == 0 ? Ok({0}) : Stall();
    case kGetDescriptor:
      break;
    default:
      return Stall();
  }
  const auto type = static_cast<uint8_t>(setup.value >> 8);
  const auto index = static_cast<uint8_t>(setup.value & 0xFF);
  if (toInterface) {
    if (setup.index != 0) return Stall();
    if (type == kDescReport) return Ok(ReportDescriptor(shape_));
    if (type == kDescHid) return Ok(HidDescriptor(shape_));
    return Stall();
  }
  if (setup.requestType != kInStandardDevice) return Stall();
  switch (type) {
    case kDescDevice:
      return Ok(DeviceDescriptor(shape_));
    case kDescConfiguration:
      return index == 0 ? Ok(ConfigurationDescriptor(shape_)) : Stall();
    case kDescString:
      if (index == 0) return Ok(LanguageDescriptor());
      if (index == kStringManufacturer) return Ok(StringDescriptor(u"Velotrack"));
      if (index == kStringProduct) return Ok(StringDescriptor(u"Velotrack board"));
      if (index == kStringSerial && !shape_.serial.empty()) return Ok(StringDescriptor(shape_.serial));
      {
        // Everything else is the board's own: its strings carry replies and
        // memory read-backs, so they are fetched live.
        const bool shortRequest = setup.length < kStringContentMax + 2;
        if (!shortRequest && heldString_ && heldString_->first == index) {
          auto held = std::move(heldString_->second);
          heldString_.reset();
          return Ok(std::move(held));
        }
        heldString_.reset();
        TransferResult r = StringRequest(index);
        if (shortRequest && r.status == TransferStatus::kOk) heldString_.emplace(index, r.data);
        return r;
      }
    default:
      return Stall();  // no device qualifier: a full-speed device
  }
}

TransferResult UsbBoardDevice::StringRequest(uint8_t index) {
  std::array<uint8_t, kStringContentMax> buf{};
  size_t got = 0;
  const int rc = backend_.GetIndexedString(handle_, index, buf, &got);
  if (rc != kWaitOk) {
    NoteFailure(rc);
    return Stall();
  }
  return Ok(StringDescriptor(std::span<const uint8_t>(buf.data(), std::min(got, buf.size()))));
}

TransferResult UsbBoardDevice::ClassRequest(const SetupPacket& setup,
                                            std::span<const uint8_t> outData) {
  if (setup.index != 0) return Stall();  // only interface 0 exists
  const bool out = setup.requestType == kOutClassInterface;
  switch (setup.request) {
    case kHidSetIdle:
      if (!out) return Stall();
      idleRate_ = static_cast<uint8_t>(setup.value >> 8);
      return Ok();
    case kHidGetIdle:
      return out ? Stall() : Ok({idleRate_});
    case kHidSetProtocol:
      if (!out || setup.value > 1) return Stall();
      protocol_ = static_cast<uint8_t>(setup.value);
      return Ok();
    case kHidGetProtocol:
      return out ? Stall() : Ok({protocol_});
    case kHidSetReport:
      // Output report 0 (no report IDs). Without an OUT endpoint this is how
      // every output report arrives.
      if (!out || setup.value != (kReportTypeOutput << 8)) return Stall();
      return WriteReport(outData);
    case kHidGetReport:
      // The board keeps no current input report that could be read on demand.
      return Stall();
    default:
      return Stall();
  }
}

TransferResult UsbBoardDevice::InterruptOut(std::span<const uint8_t> payload) {
  if (!Attached() || !outEndpoint_) return {TransferStatus::kIoError, {}};
  return WriteReport(payload);
}

TransferResult UsbBoardDevice::WriteReport(std::span<const uint8_t> payload) {
  // The HID layer hands reports to the board with the report ID byte first;
  // a short transfer is padded to the report length, as the host would send it.
  heldString_.reset();  // a new request makes any held answer stale
  const size_t length = shape_.outputReportLength;
  if (payload.size() + 1 > length) return Stall();
  std::vector<uint8_t> report(length, 0);
  std::copy(payload.begin(), payload.end(), report.begin() + 1);
  const int rc = backend_.Write(handle_, report, kWriteWaitMs);
  if (rc == kWaitOk) return Ok();
  NoteFailure(rc);
  return {rc == kWaitTimeout ? TransferStatus::kTimeout : TransferStatus::kIoError, {}};
}

std::optional<std::vector<uint8_t>> UsbBoardDevice::PollInput() {
  if (!Attached() || lost_) return std::nullopt;
  std::vector<uint8_t> buf(shape_.inputReportLength, 0);
  size_t got = 0;
  const int rc = backend_.Read(handle_, buf, 0, &got);
  if (rc != kWaitOk) {
    NoteFailure(rc);
    return std::nullopt;
  }
  if (got == 0) return std::nullopt;
  // Drop the report ID byte: the device sends reports without one.
  std::vector<uint8_t> payload(buf.begin() + 1, buf.begin() + static_cast<std::ptrdiff_t>(got));
  payload.resize(InputPayload(shape_), 0);
  return payload;
}

void UsbBoardDevice::CheckAlive() {
  if (!Attached() || lost_) return;
  std::array<uint8_t, 4> buf{};
  size_t got = 0;
  NoteFailure(backend_.GetSerial(handle_, buf, &got));
}

}  // namespace vt::sim::usb
