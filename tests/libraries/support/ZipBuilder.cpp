#include "tests/libraries/support/ZipBuilder.h"

#include "libraries/core/util/Crc32.h"
#include "tests/libraries/support/LittleEndian.h"

std::string Field(unsigned id, const std::string& data) {
  std::string out;
  Put16(out, id);
  Put16(out, static_cast<unsigned>(data.size()));
  return out + data;
}

std::string BuildZip(const std::vector<Member>& members, const Layout& layout) {
  std::string archive, directory;
  for (const Member& m : members) {
    const std::uint32_t crc = dv::Crc32(m.data.data(), m.data.size());
    const std::uint32_t offset = static_cast<std::uint32_t>(archive.size());
    std::string sizes;
    if (layout.zip64) {
      Put64(sizes, m.data.size());
      Put64(sizes, m.data.size());
    }
    const std::string extra = m.extra + (layout.zip64 ? Field(0x0001, sizes) : "");
    const bool bigOffset = layout.zip64 && layout.zip64Offsets;
    std::string offsetField = sizes;
    Put64(offsetField, offset);
    const std::string centralExtra = bigOffset ? m.extra + Field(0x0001, offsetField) : extra;
    const std::uint32_t size32 = layout.zip64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(m.data.size());
    // The fields both headers share, from the version needed to the extra's length.
    const auto putShared = [&](std::string& out, const std::string& headerExtra) {
      Put16(out, layout.zip64 ? 45 : 20);
      Put16(out, 0);
      Put16(out, 0);
      Put16(out, m.time);
      Put16(out, m.date);
      Put32(out, crc);
      Put32(out, size32);
      Put32(out, size32);
      Put16(out, static_cast<unsigned>(m.name.size()));
      Put16(out, static_cast<unsigned>(headerExtra.size()));
    };
    archive += "PK\x03\x04";
    putShared(archive, extra);
    archive += m.name + extra + m.data;
    directory += "PK\x01\x02";
    Put16(directory, (m.system << 8) | 45);
    putShared(directory, centralExtra);
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put32(directory, m.external);
    Put32(directory, bigOffset ? 0xFFFFFFFFu : offset);
    directory += m.name + centralExtra;
  }
  const std::uint64_t count = members.size() + layout.countDelta;
  const std::uint64_t start = archive.size();
  archive += directory;
  if (layout.zip64) {
    const std::uint64_t record = archive.size();
    archive += "PK\x06\x06";
    Put64(archive, 44);
    Put16(archive, 45);
    Put16(archive, 45);
    Put32(archive, 0);
    Put32(archive, 0);
    Put64(archive, count);
    Put64(archive, count);
    Put64(archive, directory.size());
    Put64(archive, start);
    archive += "PK\x06\x07";
    Put32(archive, 0);
    Put64(archive, record);
    Put32(archive, 1);
  }
  archive += "PK\x05\x06";
  Put16(archive, 0);
  Put16(archive, 0);
  Put16(archive, layout.zip64 ? 0xFFFF : static_cast<unsigned>(count));
  Put16(archive, layout.zip64 ? 0xFFFF : static_cast<unsigned>(count));
  Put32(archive, layout.zip64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(directory.size()));
  Put32(archive, layout.zip64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(start));
  Put16(archive, static_cast<unsigned>(layout.comment.size()));
  return layout.stub + archive + layout.comment;
}

std::string Stub(std::size_t size) { return "MZ" + std::string(size - 2, '\x90'); }
