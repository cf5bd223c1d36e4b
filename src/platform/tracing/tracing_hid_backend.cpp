#include "platform/tracing/tracing_hid_backend.h"

#include <algorithm>
#include <cstdio>

namespace vt::platform {

namespace {

std::string Num(uint64_t v) { return std::to_string(v); }

std::string Hex4(uint16_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", v);
  return text;
}

std::string Serial(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char esc[12];
      std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
      out += esc;
    }
  }
  return out;
}

// Data that came back: only the bytes placed, and never past the buffer.
std::string Returned(std::span<const uint8_t> buf, size_t got) {
  return " n=" + Num(got) + " [" + TracingHidBackend::Hex(buf.first(std::min(got, buf.size()))) + "]";
}

}  // namespace

std::string TracingHidBackend::Hex(std::span<const uint8_t> bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) out += ' ';
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

void TracingHidBackend::Line(const std::string& text) {
  if (file_ != nullptr) {
    std::fprintf(file_, "%s\n", text.c_str());
    std::fflush(file_);
  }
  if (stream_ != nullptr) *stream_ << text << '\n' << std::flush;
}

bool TracingHidBackend::Load() {
  const bool ok = Inner().Load();
  Line(std::string("Load -> ") + (ok ? "ok" : "failed"));
  return ok;
}

std::vector<HidDeviceInfo> TracingHidBackend::Enumerate() {
  auto devices = Inner().Enumerate();
  Line("Enumerate -> " + Num(devices.size()) + " devices");
  for (const auto& d : devices) {
    Line("  " + d.path + " " + Hex4(d.vendorId) + ":" + Hex4(d.productId) + " version=" +
         Hex4(d.version) + " serial=\"" + Serial(d.serial) + "\" caps=" +
         (d.capsValid ? Num(d.inputReportLength) + "/" + Num(d.outputReportLength) : "invalid") +
         (d.openable ? "" : " not-openable"));
  }
  return devices;
}

int TracingHidBackend::Open(const std::string& path, HidHandle* handle) {
  const int rc = Inner().Open(path, handle);
  Line("Open " + path + " -> " + std::to_string(rc) + " h=" + Num(*handle));
  return rc;
}

void TracingHidBackend::Close(HidHandle handle) {
  Inner().Close(handle);
  Line("Close h=" + Num(handle));
}

int TracingHidBackend::Write(HidHandle handle, std::span<const uint8_t> report, uint32_t waitMs) {
  const int rc = Inner().Write(handle, report, waitMs);
  Line("Write h=" + Num(handle) + " wait=" + Num(waitMs) + " len=" + Num(report.size()) + " [" +
       Hex(report) + "] -> " + std::to_string(rc));
  return rc;
}

int TracingHidBackend::Read(HidHandle handle, std::span<uint8_t> buf, uint32_t waitMs, size_t* got) {
  const int rc = Inner().Read(handle, buf, waitMs, got);
  Line("Read h=" + Num(handle) + " wait=" + Num(waitMs) + " size=" + Num(buf.size()) + " -> " +
       std::to_string(rc) + Returned(buf, *got));
  return rc;
}

int TracingHidBackend::GetIndexedString(HidHandle handle, uint8_t index, std::span<uint8_t> buf,
                                        size_t* got) {
  const int rc = Inner().GetIndexedString(handle, index, buf, got);
  Line("GetIndexedString h=" + Num(handle) + " index=" + Num(index) + " size=" + Num(buf.size()) +
       " -> " + std::to_string(rc) + Returned(buf, *got));
  return rc;
}

int TracingHidBackend::GetSerial(HidHandle handle, std::span<uint8_t> buf, size_t* got) {
  const int rc = Inner().GetSerial(handle, buf, got);
  Line("GetSerial h=" + Num(handle) + " size=" + Num(buf.size()) + " -> " + std::to_string(rc) +
       Returned(buf, *got));
  return rc;
}

int TracingHidBackend::Claim(const std::string& path, const std::string& who, std::string* holder) {
  const int rc = Inner().Claim(path, who, holder);
  Line("Claim " + path + " -> " + std::to_string(rc) + (rc == kWaitTimeout ? " held by " + *holder : ""));
  return rc;
}

void TracingHidBackend::Release(const std::string& path) {
  Inner().Release(path);
  Line("Release " + path);
}

}  // namespace vt::platform
