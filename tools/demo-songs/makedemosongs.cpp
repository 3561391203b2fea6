// make-demo-songs FOLDER: writes a few tiny SPC songs into FOLDER, each a square-wave tone
// that any SPC player plays: a 64 KiB sound RAM holding a looping one-block BRR sample, its
// directory and a three-instruction program that keys voice 0 on, and DSP registers set up
// for that voice. The first carries an extended tag chunk after its DSP registers as well, the
// second the header's tags alone, the third no tags at all.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t fileSize = 0x10200;
constexpr std::size_t ramOffset = 0x100;
constexpr std::size_t dspOffset = 0x10100;
constexpr std::uint32_t ticksPerSecond = 64000;

constexpr std::uint16_t directoryAddress = 0x0200;
constexpr std::uint16_t sampleAddress = 0x0300;
constexpr std::uint16_t programAddress = 0x0400;
constexpr int samplesPerPeriod = 16; // one BRR block: 8 high samples, 8 low
constexpr double outputRate = 32000.0;

enum class Tags { Extended, HeaderOnly, None };

struct Song {
    const char* file;
    const char* title;
    double frequency;
    Tags tags;
};

constexpr std::array songs{
    Song{"01 A440.spc", "Demo tone A (440 Hz)", 440.0, Tags::Extended},
    Song{"02 C523.spc", "Demo tone C (523 Hz)", 523.25, Tags::HeaderOnly},
    Song{"03 E659.spc", "Demo tone E (659 Hz)", 659.26, Tags::None},
};

void putText(std::vector<std::uint8_t>& out, std::size_t at, std::size_t size, const char* text) {
    std::memcpy(&out[at], text, std::min(size, std::strlen(text)));
}

void putLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A sub-chunk of the extended tag chunk: id, type 1 and the text with its NUL, padded to four
// bytes.
void putTextItem(std::vector<std::uint8_t>& out, std::uint8_t id, const std::string& text) {
    out.push_back(id);
    out.push_back(1);
    putLittleEndian(out, static_cast<std::uint32_t>(text.size() + 1), 2);
    out.insert(out.end(), text.begin(), text.end());
    out.resize(out.size() + 4 - text.size() % 4, 0);
}

// A sub-chunk of type 4: a 32-bit number after its header.
void putNumberItem(std::vector<std::uint8_t>& out, std::uint8_t id, std::uint32_t value) {
    out.insert(out.end(), {id, 4, 4, 0});
    putLittleEndian(out, value, 4);
}

void appendExtendedTags(std::vector<std::uint8_t>& out, const Song& song) {
    std::vector<std::uint8_t> items;
    putTextItem(items, 0x01, std::string(song.title) + ", with a title longer than the header's");
    putTextItem(items, 0x03, "Ostrane, in the extended tags");
    putNumberItem(items, 0x30, 150 * ticksPerSecond);         // intro: the whole song, 2:30
    putNumberItem(items, 0x33, 5000 * ticksPerSecond / 1000); // fade
    const char id[] = "xid6";
    out.insert(out.end(), id, id + 4);
    putLittleEndian(out, static_cast<std::uint32_t>(items.size()), 4);
    out.insert(out.end(), items.begin(), items.end());
}

void putHeaderTags(std::vector<std::uint8_t>& out, const Song& song) {
    out[0x23] = 26; // an ID666 tag follows
    putText(out, 0x2e, 32, song.title);
    putText(out, 0x4e, 32, "Ostrane demo songs");
    putText(out, 0x6e, 16, "make-demo-songs");
    putText(out, 0x7e, 32, "A square wave on voice 0");
    putText(out, 0xa9, 3, "120");  // seconds before the fade
    putText(out, 0xac, 5, "5000"); // fade, in milliseconds
    putText(out, 0xb1, 32, "Ostrane");
}

std::vector<std::uint8_t> spcFor(const Song& song) {
    std::vector<std::uint8_t> out(fileSize, 0);
    putText(out, 0, 33, "SNES-SPC700 Sound File Data v0.30");
    out[0x21] = 26;
    out[0x22] = 26;
    out[0x23] = 27; // no ID666 tag, unless put below
    out[0x24] = 30;
    out[0x25] = programAddress & 0xff; // PC
    out[0x26] = programAddress >> 8;
    out[0x2a] = 0x02; // PSW: zero flag only
    out[0x2b] = 0xef; // SP
    if (song.tags != Tags::None)
        putHeaderTags(out, song);

    std::uint8_t* ram = &out[ramOffset];
    // Sample directory entry 0: start and loop address of the sample.
    ram[directoryAddress + 0] = sampleAddress & 0xff;
    ram[directoryAddress + 1] = sampleAddress >> 8;
    ram[directoryAddress + 2] = sampleAddress & 0xff;
    ram[directoryAddress + 3] = sampleAddress >> 8;
    // One BRR block: shift 11, filter 0, loop and end flags; nibbles +7 then -8.
    const std::uint8_t block[9] = {0xb3, 0x77, 0x77, 0x77, 0x77, 0x88, 0x88, 0x88, 0x88};
    std::memcpy(&ram[sampleAddress], block, sizeof block);
    // MOV $F2,#$4C ; MOV $F3,#$01 (key on voice 0) ; BRA to itself.
    const std::uint8_t program[] = {0x8f, 0x4c, 0xf2, 0x8f, 0x01, 0xf3, 0x2f, 0xfe};
    std::memcpy(&ram[programAddress], program, sizeof program);
    ram[0xf1] = 0x80; // control: timers off, the boot ROM mapped as after reset

    std::uint8_t* dsp = &out[dspOffset];
    const auto pitch =
        static_cast<std::uint16_t>(song.frequency * samplesPerPeriod / outputRate * 0x1000 + 0.5);
    dsp[0x00] = 0x40; // voice 0 volume, left and right
    dsp[0x01] = 0x40;
    dsp[0x02] = pitch & 0xff;
    dsp[0x03] = (pitch >> 8) & 0x3f;
    dsp[0x04] = 0;    // sample 0
    dsp[0x05] = 0x8f; // ADSR on, instant attack
    dsp[0x06] = 0xe0; // full sustain, held for ever
    dsp[0x0c] = 0x7f; // main volume, left and right
    dsp[0x1c] = 0x7f;
    dsp[0x5d] = directoryAddress >> 8;
    dsp[0x6c] = 0x20; // not muted, no reset, echo writes off
    dsp[0x6d] = 0x7f; // echo buffer far from the program, though never written
    if (song.tags == Tags::Extended)
        appendExtendedTags(out, song);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: make-demo-songs FOLDER\n");
        return 2;
    }
    for (const Song& song : songs) {
        const std::string path = std::string(argv[1]) + "/" + song.file;
        const auto bytes = spcFor(song);
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            std::fprintf(stderr, "make-demo-songs: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
