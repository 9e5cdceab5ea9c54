#ifndef FENDREL_ZIP_ABEXTRAFIELD_H
#define FENDREL_ZIP_ABEXTRAFIELD_H

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// The extra field of a ZIP record: a run of sub-fields, each a 16-bit identifier, a
// 16-bit data size and that many data bytes. A sub-field exists while more than 3
// bytes remain from its start; a stated size that reaches past the field is lowered,
// in the buffer itself, to what remains.
class TAbExtraField {
 public:
  TAbExtraField() = default;
  explicit TAbExtraField(std::vector<std::uint8_t> bytes) { Assign(std::move(bytes)); }

  void Assign(std::vector<std::uint8_t> bytes);
  const std::vector<std::uint8_t>& Buffer() const { return FBuffer; }

  // The data of the first sub-field with this identifier; false when there is none.
  bool Get(std::uint16_t id, std::span<const std::uint8_t>& data) const;
  // Calls visit for every sub-field in order.
  void ForEach(const std::function<void(std::uint16_t id, std::span<const std::uint8_t> data)>& visit) const;

 private:
  std::vector<std::uint8_t> FBuffer;
};

#endif
