// Where the side tone goes: a WAV file that stays valid at every moment (so it survives the
// program being killed), and the default sound device.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class WavFile {
public:
    WavFile() = default;
    WavFile(const WavFile&) = delete;
    WavFile& operator=(const WavFile&) = delete;
    ~WavFile() { Close(); }

    // Creates the file with an empty data chunk; false when it cannot be created.
    bool Open(const char* path);
    // Appends samples, then rewrites the header with the new sizes: a copy taken at any moment
    // (or left by a killed program) is a complete file, at worst with a block of samples beyond
    // the declared size. false once writing has failed or the 4 GB limit is reached.
    bool Append(const int16_t* samples, size_t count);
    void Close();
    bool IsOpen() const { return m_file != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    uint32_t m_bytes = 0;
    bool m_failed = false;
};

class LiveAudio {
public:
    LiveAudio() = default;
    LiveAudio(const LiveAudio&) = delete;
    LiveAudio& operator=(const LiveAudio&) = delete;
    ~LiveAudio() { Close(); }

    // Opens the default output device; false when there is none (not an error for the caller).
    bool Open();
    // Plays samples in blocks of 20 ms; when playback has fallen too far behind, samples are
    // dropped rather than held.
    void Submit(const int16_t* samples, size_t count);
    void Close();
    bool IsOpen() const { return m_out != nullptr; }

private:
    static constexpr int kBlocks = 32;
    static constexpr size_t kBlockSamples = 441;  // 20 ms at 22050 Hz
    struct Block {
        WAVEHDR header{};
        int16_t data[kBlockSamples];
        bool queued = false;
    };
    Block* FreeBlock();
    void Play(const int16_t* samples);

    HWAVEOUT m_out = nullptr;
    Block m_blocks[kBlocks];
    std::vector<int16_t> m_gather;
};
