#include "KeyerCore.h"

#include <algorithm>

#include "LeadByte.h"
#include "MorseTable.h"

namespace {

constexpr unsigned char kSpaceCode = 0x80;  // the empty pattern: a word space

}  // namespace

KeyerCore::KeyerCore() = default;

bool KeyerCore::SetWpm(int wpm) {
    if (wpm < 5 || wpm > 50) return false;
    m_wpm = wpm;
    return true;
}

bool KeyerCore::SetWeight(int dotHalves, int dashHalves) {
    // A weight of 0 would key nothing at all; keep the last good values instead.
    if (dotHalves < 1 || dotHalves > 30 || dashHalves < 1 || dashHalves > 30) return false;
    m_dotHalves = dotHalves;
    m_dashHalves = dashHalves;
    return true;
}

void KeyerCore::SetPtt(int beforeMs, int afterMs) {
    m_pttBefore = std::max(0, beforeMs);
    m_pttAfter = std::max(0, afterMs);
}

bool KeyerCore::SetSideTone(int n) {
    if (n < 0 || n > 13) return false;
    m_sideTone = n;
    return true;
}

int KeyerCore::Busy() const {
    bool keyingMessage = m_cur.active && !m_cur.item.paddle && !m_cur.cancelled;
    return static_cast<int>(m_queue.size()) + (keyingMessage ? 1 : 0);
}

bool KeyerCore::MessageActive() const {
    return Busy() > 0;
}

bool KeyerCore::Enqueue(const Item& item, KeyerSink& sink) {
    std::deque<Item>& queue = item.paddle ? m_paddle : m_queue;
    int held = item.paddle ? static_cast<int>(m_paddle.size()) : Busy();
    if (held >= kCapacity) {
        sink.OnDrop(item.arrival, item.byte);
        return false;
    }
    queue.push_back(item);
    m_pttOffAt = kNever;  // whatever comes before the tail has run out continues the transmission
    // The host streams on these reports: it learns of every change of the count, so a report
    // that it answered without keying is followed by another as soon as anything moves.
    // Paddle characters are not counted.
    if (!item.paddle) sink.OnReport(item.arrival, Busy(), 0);
    return true;
}

bool KeyerCore::PutChar(unsigned char byte, double now, KeyerSink& sink) {
    Advance(now, sink);
    unsigned char code = 0;
    if (m_leadPending) {
        m_leadPending = false;  // the trail byte: no pattern whatever its value
    } else if (tandem::text::IsCp932LeadByte(byte)) {
        m_leadPending = true;
    } else {
        code = MorseCodeForChar(byte);
    }
    return Enqueue(Item{byte, code, false, now}, sink);
}

bool KeyerCore::PutCode(unsigned char code, double now, KeyerSink& sink) {
    Advance(now, sink);
    m_leadPending = false;
    return Enqueue(Item{code, code, false, now}, sink);
}

void KeyerCore::DropQueue(std::deque<Item>& queue, double now, KeyerSink& sink) {
    for (const Item& item : queue) sink.OnDrop(now, item.byte);
    queue.clear();
}

void KeyerCore::StopCurrent(double now) {
    if (!m_cur.active || m_cur.cancelled) return;
    m_cur.cancelled = true;
    std::vector<Step>& steps = m_cur.steps;
    if (m_cur.keyDown) {
        // Finish the element being keyed, then end there.
        Step off = steps[m_cur.next];  // a key-down is always followed by its key-up
        steps.erase(steps.begin() + static_cast<long>(m_cur.next), steps.end());
        steps.push_back(off);
        steps.push_back(Step{off.t, StepKind::End});
    } else {
        steps.erase(steps.begin() + static_cast<long>(m_cur.next), steps.end());
        steps.push_back(Step{now, StepKind::End});
    }
}

bool KeyerCore::Cancel(double now, KeyerSink& sink) {
    Advance(now, sink);
    bool had = MessageActive() || !m_paddle.empty() || (m_cur.active && !m_cur.cancelled);
    m_leadPending = false;
    if (!had) return false;
    DropQueue(m_paddle, now, sink);
    DropQueue(m_queue, now, sink);
    StopCurrent(now);
    sink.OnReport(now, 0, 0);
    ScheduleTail(now);  // the transmission ends here, or with the element being finished
    return true;
}

bool KeyerCore::Paddle(unsigned char code, double now, KeyerSink& sink) {
    if (code == 0) return false;
    Advance(now, sink);
    if (MessageActive()) {
        DropQueue(m_queue, now, sink);
        if (m_cur.active && !m_cur.item.paddle) StopCurrent(now);
        m_leadPending = false;
        sink.OnReport(now, kBreakInReport, 0);
    }
    return Enqueue(Item{code, code, true, now}, sink);
}

unsigned char KeyerCore::PaddleContacts(const char* contacts, int length) const {
    if (contacts == nullptr || length < 1 || length > 7) return 0;
    std::string pattern;
    for (int i = 0; i < length; ++i) {
        char c = contacts[i];
        if (c != '.' && c != '-') return 0;
        bool dah = (c == '-') != m_reverse;
        pattern += dah ? '-' : '.';
    }
    return MorseCodeFromPattern(pattern);
}

void KeyerCore::HoldPtt(bool on, double now, KeyerSink& sink) {
    Advance(now, sink);
    bool before = LineOn();
    m_held = on;
    if (LineOn() != before) sink.OnPtt(now, LineOn());
}

void KeyerCore::SetTxPtt(bool on, double t, KeyerSink& sink) {
    bool before = LineOn();
    m_txPtt = on;
    if (LineOn() != before) sink.OnPtt(t, LineOn());
}

const KeyerCore::Item* KeyerCore::NextItem() const {
    if (!m_paddle.empty()) return &m_paddle.front();
    if (!m_queue.empty()) return &m_queue.front();
    return nullptr;
}

double KeyerCore::ItemStart(const Item& item) const {
    // A byte without a pattern goes right after the last character, without a gap of its own.
    double after = item.code == 0 ? m_lastEnd : m_nextStart;
    return std::max({item.arrival, after, m_floor});
}

void KeyerCore::ScheduleTail(double atLeast) {
    if (!m_txPtt || m_cur.active || !m_queue.empty() || !m_paddle.empty()) return;
    // "after" ms behind the last element; never before what has already happened (a trailing
    // word space, a dropped byte).
    m_pttOffAt = std::max(m_lastKeyOff + m_pttAfter, atLeast);
}

void KeyerCore::StartCharacter(const Item& item, double start, KeyerSink& sink) {
    const double dot = 1200.0 / m_wpm;
    m_cur = Current{};
    m_cur.active = true;
    m_cur.item = item;
    m_cur.toneHz = m_sideTone > 0 ? 3906.0 / m_sideTone : 0.0;
    std::vector<Step>& steps = m_cur.steps;
    if (item.code == kSpaceCode) {
        // Three dots follow every character already, so a word space adds four.
        steps.push_back(Step{start, StepKind::CharStart});
        steps.push_back(Step{start + 4 * dot, StepKind::End});
        m_cur.gapAfter = 0;
        return;
    }
    double t = start;
    if (m_pttBefore != 0 || m_pttAfter != 0) {
        m_pttOffAt = kNever;
        if (!LineOn()) {
            SetTxPtt(true, start, sink);
            t = start + m_pttBefore;
        } else {
            m_txPtt = true;  // already on (tail of the last transmission, or held)
        }
    }
    steps.push_back(Step{t, StepKind::CharStart});
    const double dotLen = m_dotHalves * dot / 2;
    const double dashLen = m_dashHalves * dot / 2;
    const int n = MorseElementCount(item.code);
    for (int i = 0; i < n; ++i) {
        double len = MorseIsDah(item.code, i) ? dashLen : dotLen;
        steps.push_back(Step{t, StepKind::KeyOn});
        steps.push_back(Step{t + len, StepKind::KeyOff});
        t += len;
        if (i + 1 < n) t += dot;
    }
    steps.push_back(Step{t, StepKind::End});
    m_cur.gapAfter = 3 * dot;
}

void KeyerCore::Perform(const Step& step, KeyerSink& sink) {
    switch (step.kind) {
    case StepKind::CharStart:
        sink.OnCharStart(step.t, m_cur.item.byte);
        break;
    case StepKind::KeyOn:
        m_cur.keyDown = true;
        sink.OnKey(step.t, true, m_cur.toneHz);
        break;
    case StepKind::KeyOff:
        m_cur.keyDown = false;
        m_lastKeyOff = step.t;
        sink.OnKey(step.t, false, 0);
        break;
    case StepKind::End:
        m_cur.active = false;
        m_lastEnd = step.t;
        m_nextStart = step.t + m_cur.gapAfter;
        if (!m_cur.cancelled) sink.OnReport(step.t, Busy(), m_cur.item.paddle ? m_cur.item.code : 0);
        ScheduleTail(step.t);
        break;
    }
}

void KeyerCore::Advance(double now, KeyerSink& sink) {
    for (;;) {
        if (m_cur.active) {
            if (m_cur.next < m_cur.steps.size() && m_cur.steps[m_cur.next].t <= now) {
                Step step = m_cur.steps[m_cur.next++];
                Perform(step, sink);
                continue;
            }
            break;
        }
        const Item* item = NextItem();
        if (m_txPtt && m_pttOffAt <= now && item == nullptr) {
            SetTxPtt(false, m_pttOffAt, sink);
            m_pttOffAt = kNever;
            continue;
        }
        if (item == nullptr) break;
        double start = ItemStart(*item);
        if (start > now) break;
        Item it = *item;
        (it.paddle ? m_paddle : m_queue).pop_front();
        if (it.code == 0) {
            sink.OnDrop(start, it.byte);
            sink.OnReport(start, Busy(), 0);
            ScheduleTail(start);
            continue;
        }
        StartCharacter(it, start, sink);
    }
    m_floor = std::max(m_floor, now);
}

double KeyerCore::NextDue() const {
    if (m_cur.active) {
        return m_cur.next < m_cur.steps.size() ? m_cur.steps[m_cur.next].t : kNever;
    }
    const Item* item = NextItem();
    double due = item != nullptr ? ItemStart(*item) : kNever;
    if (m_txPtt && item == nullptr) due = m_pttOffAt;
    return due;
}
