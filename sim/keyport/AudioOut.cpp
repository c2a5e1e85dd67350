#include "AudioOut.h"

#include <cstring>

#include "ToneSynth.h"

bool WavFile::Open(const char* path) {
    Close();
    m_file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_file == INVALID_HANDLE_VALUE) return false;
    m_bytes = 0;
    m_failed = false;
    uint8_t header[44];
    MakeWavHeader(header, 0);
    DWORD written = 0;
    if (!WriteFile(m_file, header, sizeof header, &written, nullptr) || written != sizeof header) {
        Close();
        return false;
    }
    return true;
}

bool WavFile::Append(const int16_t* samples, size_t count) {
    if (!IsOpen() || m_failed) return false;
    if (count == 0) return true;
    const uint32_t limit = 0xFFFFFFFFu - 44 - 36;
    size_t room = (limit - m_bytes) / 2;
    if (count > room) {
        count = room;
        m_failed = true;  // full: what fits is written, nothing more
    }
    DWORD bytes = static_cast<DWORD>(count * 2);
    DWORD written = 0;
    LARGE_INTEGER end;
    end.QuadPart = 44 + static_cast<LONGLONG>(m_bytes);
    if (!SetFilePointerEx(m_file, end, nullptr, FILE_BEGIN) ||
        !WriteFile(m_file, samples, bytes, &written, nullptr) || written != bytes) {
        m_failed = true;
        return false;
    }
    m_bytes += bytes;
    // The sizes go in after the samples they count.
    uint8_t header[44];
    MakeWavHeader(header, m_bytes);
    LARGE_INTEGER start;
    start.QuadPart = 0;
    if (!SetFilePointerEx(m_file, start, nullptr, FILE_BEGIN) ||
        !WriteFile(m_file, header, sizeof header, &written, nullptr) || written != sizeof header) {
        m_failed = true;
        return false;
    }
    return !m_failed;
}

void WavFile::Close() {
    if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
}

bool LiveAudio::Open() {
    Close();
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = ToneSynth::kRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = ToneSynth::kRate * 2;
    if (waveOutOpen(&m_out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        m_out = nullptr;
        return false;
    }
    // A little silence ahead, so that a late wake-up of the keying thread does not starve the
    // device.
    int16_t silence[kBlockSamples] = {};
    for (int i = 0; i < 3; ++i) Play(silence);
    return true;
}

LiveAudio::Block* LiveAudio::FreeBlock() {
    for (Block& b : m_blocks) {
        if (b.queued && (b.header.dwFlags & WHDR_DONE)) {
            waveOutUnprepareHeader(m_out, &b.header, sizeof b.header);
            b.queued = false;
        }
        if (!b.queued) return &b;
    }
    return nullptr;
}

void LiveAudio::Play(const int16_t* samples) {
    Block* b = FreeBlock();
    if (b == nullptr) return;
    std::memcpy(b->data, samples, sizeof b->data);
    b->header = WAVEHDR{};
    b->header.lpData = reinterpret_cast<LPSTR>(b->data);
    b->header.dwBufferLength = sizeof b->data;
    if (waveOutPrepareHeader(m_out, &b->header, sizeof b->header) != MMSYSERR_NOERROR) return;
    if (waveOutWrite(m_out, &b->header, sizeof b->header) != MMSYSERR_NOERROR) {
        waveOutUnprepareHeader(m_out, &b->header, sizeof b->header);
        return;
    }
    b->queued = true;
}

void LiveAudio::Submit(const int16_t* samples, size_t count) {
    if (!IsOpen()) return;
    m_gather.insert(m_gather.end(), samples, samples + count);
    size_t used = 0;
    while (m_gather.size() - used >= kBlockSamples) {
        Play(m_gather.data() + used);
        used += kBlockSamples;
    }
    m_gather.erase(m_gather.begin(), m_gather.begin() + static_cast<long>(used));
}

void LiveAudio::Close() {
    if (m_out == nullptr) return;
    waveOutReset(m_out);
    for (Block& b : m_blocks) {
        if (b.queued) waveOutUnprepareHeader(m_out, &b.header, sizeof b.header);
        b.queued = false;
    }
    waveOutClose(m_out);
    m_out = nullptr;
    m_gather.clear();
}
