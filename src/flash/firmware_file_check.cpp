#include "flash/firmware_file_check.h"

#include <cstdio>

#include "flash/markers.h"
#include "platform/file_io.h"
#include "platform/utf8_path.h"

namespace vt::flash {

namespace {

std::string Hex(size_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%zx", v);
  return text;
}

FirmwareCheck Refused(UpdateStep step, std::string reason) {
  FirmwareCheck c;
  c.failedStep = step;
  c.reason = std::move(reason);
  return c;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadFirmwareFile(const std::string& path, BoardVariant variant,
                                                     std::string* error) {
  const size_t limit = WorkingBytes(variant);
  // Regular files only: a FIFO or a device would block or never end.
  auto read = platform::ReadRegularFile(platform::PathFromUtf8(path), limit, platform::SizeRule::kFirstBytes);
  if (!read.ok()) {
    *error = read.message;
    return std::nullopt;
  }
  if (read.bytes.empty()) {
    *error = path + ": the file is empty";
    return std::nullopt;
  }
  read.bytes.resize(limit, 0);
  return std::move(read.bytes);
}

FirmwareCheck CheckFirmwareImage(std::span<const uint8_t> raw, BoardVariant variant,
                                 UpdatePart part) {
  std::string error;
  auto image = LoadElfImage(raw, variant, &error);
  if (!image) return Refused(UpdateStep::kCheck, error);
  FirmwareCheck c;
  c.version = ImageFirmwareVersion(image->Application());
  if (part == UpdatePart::kApplication) {
    c.application = LocateApplicationRegion(image->Application(), image->size, variant);
    if (!c.application) {
      return Refused(UpdateStep::kCheck, std::string("no application region where ") +
                                             VariantName(variant) + "s take it");
    }
    if (!c.version) return Refused(UpdateStep::kCheck, "no version record in the image");
  } else {
    const auto working = image->Working();
    const size_t size = std::min(image->size, working.size());
    c.identity = FindMarker(working, 0, size, kIdentityMarker);
    if (!c.identity) return Refused(UpdateStep::kCheck, "no bootloader identity record in the image");
    const size_t start = variant == BoardVariant::kR ? 0x2000 : 0;
    c.bootEnd = FindMarker(working, start, working.size(), kBootEndMarker);
    if (!c.bootEnd) return Refused(UpdateStep::kCheck, "no bootloader end marker in the image");
  }
  c.image = std::move(image);
  return c;
}

FirmwareCheck CheckFirmwareFile(const std::string& path, BoardVariant variant, UpdatePart part) {
  std::string error;
  auto raw = ReadFirmwareFile(path, variant, &error);
  if (!raw) return Refused(UpdateStep::kOpen, error);
  return CheckFirmwareImage(*raw, variant, part);
}

std::string FirmwareVerdict(const FirmwareCheck& check, BoardVariant variant, UpdatePart part) {
  const char* what = part == UpdatePart::kApplication ? "application" : "bootloader";
  if (!check.ok()) return std::string(what) + " update refused for " + VariantName(variant) + "s: " + check.reason;
  std::string text = std::string("can update the ") + what + " of " + VariantName(variant) + "s: ";
  if (part == UpdatePart::kApplication) {
    const auto& a = *check.application;
    text += Hex(a.start) + ".." + Hex(a.end) + ", " + std::to_string(a.bytes) + " bytes from " +
            Hex(a.boardAddress);
  } else {
    text += "region up to " + Hex(*check.bootEnd + 4);
  }
  if (check.version) {
    text += ", version " + std::to_string(check.version->series) + "." +
            std::to_string(check.version->minor) + "." + std::to_string(check.version->build);
  }
  return text;
}

}  // namespace vt::flash
