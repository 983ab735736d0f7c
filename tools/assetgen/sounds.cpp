#include "sounds.h"

#include "random.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>

namespace assetgen {

namespace {

constexpr double kRate = kSampleRate;
constexpr double kTau = 2 * std::numbers::pi;

double noteHz(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// Coefficient of a one-pole low-pass filter with the given corner frequency.
double lowPassCoefficient(double hz) {
    return 1.0 - std::exp(-kTau * hz / kRate);
}

// Polynomial band-limited step, which takes the worst aliasing out of the sharp edges of a
// pulse wave: t is the phase in [0, 1), dt the phase advance per sample.
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// A pulse wave with the given duty cycle and no DC offset.
double pulse(double phase, double dt, double duty) {
    double v = phase < duty ? 1.0 : -1.0;
    v += polyBlep(phase, dt);
    v -= polyBlep(std::fmod(phase + 1.0 - duty, 1.0), dt);
    return v - (2.0 * duty - 1.0);
}

double triangle(double phase) {
    return 4.0 * std::abs(phase - 0.5) - 1.0;
}

struct Envelope {
    double attack, decay, sustain, release; // seconds, seconds, level, seconds

    // Level t seconds after the note starts when the key is held for gate seconds. The
    // release is linear, so the note ends exactly at zero instead of clicking.
    double at(double t, double gate) const {
        const double held = std::min(t, gate);
        double level = held < attack
                           ? held / attack
                           : sustain + (1.0 - sustain) * std::exp(-(held - attack) / decay);
        if (t > gate)
            level *= std::max(0.0, 1.0 - (t - gate) / release);
        return level;
    }
    double length(double gate) const { return gate + release; }
};

// A mix bus as long as the loop. Anything written past the end lands at the start.
class Loop {
public:
    explicit Loop(std::size_t length) : samples_(length, 0.0) {}

    void add(long index, double value) {
        const long n = long(samples_.size());
        samples_[std::size_t(((index % n) + n) % n)] += value;
    }
    double operator[](long index) const {
        const long n = long(samples_.size());
        return samples_[std::size_t(((index % n) + n) % n)];
    }
    std::size_t size() const { return samples_.size(); }

private:
    std::vector<double> samples_;
};

long toIndex(double seconds) {
    return std::lround(seconds * kRate);
}

// ---- Instruments -------------------------------------------------------------------------

// Lead: a pulse wave whose width drifts, with a delayed vibrato, softened by a low-pass.
void lead(Loop& bus, double start, double gate, int midi, double gain) {
    const Envelope env{0.008, 0.14, 0.6, 0.09};
    const double hz = noteHz(midi);
    const double smooth = lowPassCoefficient(3800);
    double phase = 0, filtered = 0;
    const long first = toIndex(start), count = toIndex(env.length(gate));
    for (long i = 0; i < count; ++i) {
        const double t = double(i) / kRate;
        const double depth = std::clamp((t - 0.12) / 0.2, 0.0, 1.0) * 0.0045;
        const double dt = hz * (1.0 + depth * std::sin(kTau * 5.5 * t)) / kRate;
        const double duty = 0.3 + 0.1 * std::sin(kTau * 0.9 * t);
        const double raw = 0.8 * pulse(phase, dt, duty) + 0.35 * triangle(phase);
        phase = std::fmod(phase + dt, 1.0);
        filtered += smooth * (raw - filtered);
        bus.add(first + i, filtered * env.at(t, gate) * gain);
    }
}

// Bass: a triangle with a little square for bite, short and punchy.
void bass(Loop& bus, double start, double gate, int midi, double gain) {
    const Envelope env{0.004, 0.12, 0.5, 0.03};
    const double hz = noteHz(midi), dt = hz / kRate;
    const double smooth = lowPassCoefficient(1400);
    double phase = 0, filtered = 0;
    const long first = toIndex(start), count = toIndex(env.length(gate));
    for (long i = 0; i < count; ++i) {
        const double raw = triangle(phase) + 0.35 * pulse(phase, dt, 0.5);
        phase = std::fmod(phase + dt, 1.0);
        filtered += smooth * (raw - filtered);
        bus.add(first + i, filtered * env.at(double(i) / kRate, gate) * gain);
    }
}

// Arpeggio: a thin, plucky pulse.
void pluck(Loop& bus, double start, double gate, int midi, double gain) {
    const Envelope env{0.002, 0.05, 0.3, 0.02};
    const double dt = noteHz(midi) / kRate;
    const double smooth = lowPassCoefficient(3000);
    double phase = 0, filtered = 0;
    const long first = toIndex(start), count = toIndex(env.length(gate));
    for (long i = 0; i < count; ++i) {
        const double raw = pulse(phase, dt, 0.125);
        phase = std::fmod(phase + dt, 1.0);
        filtered += smooth * (raw - filtered);
        bus.add(first + i, filtered * env.at(double(i) / kRate, gate) * gain);
    }
}

void kick(Loop& bus, double start, double gain, Rng& rng) {
    double phase = 0;
    const long first = toIndex(start), count = toIndex(0.32);
    for (long i = 0; i < count; ++i) {
        const double t = double(i) / kRate;
        const double hz = 46 + 110 * std::exp(-t / 0.028);
        phase += hz / kRate;
        const double click = t < 0.003 ? rng.signedUnit() * (1 - t / 0.003) * 0.4 : 0.0;
        const double fade = 1.0 - t / 0.32;
        bus.add(first + i, (std::sin(kTau * phase) * std::exp(-t / 0.16) * fade + click) * gain);
    }
}

void snare(Loop& bus, double start, double gain, Rng& rng) {
    double phase = 0, low = 0, previous = 0;
    const double smooth = lowPassCoefficient(6000);
    const long first = toIndex(start), count = toIndex(0.22);
    for (long i = 0; i < count; ++i) {
        const double t = double(i) / kRate;
        low += smooth * (rng.signedUnit() - low);
        const double bright = low - 0.6 * previous; // tilt towards the highs
        previous = low;
        phase += 185.0 / kRate;
        const double fade = 1.0 - t / 0.22;
        const double tone = std::sin(kTau * phase) * std::exp(-t / 0.045);
        bus.add(first + i, (1.3 * bright * std::exp(-t / 0.07) + 0.5 * tone) * fade * gain);
    }
}

// Hi-hat or crash: high-passed noise; `length` sets how long it rings.
void cymbal(Loop& bus, double start, double length, double gain, Rng& rng) {
    double previous = 0;
    const long first = toIndex(start), count = toIndex(length);
    for (long i = 0; i < count; ++i) {
        const double t = double(i) / kRate;
        const double white = rng.signedUnit();
        const double high = white - previous;
        previous = white;
        const double fade = 1.0 - t / length;
        bus.add(first + i, high * std::exp(-4.0 * t / length) * fade * gain);
    }
}

// ---- The score -------------------------------------------------------------------------

constexpr int kBars = 16;
constexpr int kStepsPerBar = 16;
constexpr double kStep = 60.0 / 120.0 / 4.0; // a sixteenth note at 120 beats a minute

struct Note {
    int step;   // from the start of its bar, in sixteenths
    int length; // in sixteenths
    int midi;
};

// Parses "A4:2 C5:2 R:4 G#5:8": a note name with optional sharp and octave, or R for a rest,
// then its length in sixteenths. A bar must add up to exactly 16.
std::vector<Note> parseBar(const std::string& text) {
    static const std::array<int, 7> semitone{9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    std::vector<Note> notes;
    std::istringstream words(text);
    std::string word;
    int step = 0;
    while (words >> word) {
        const auto colon = word.find(':');
        if (colon == std::string::npos)
            throw std::invalid_argument("note without length: " + word);
        const std::string name = word.substr(0, colon);
        const int length = std::stoi(word.substr(colon + 1));
        if (name != "R") {
            int midi = semitone[std::size_t(name[0] - 'A')];
            std::size_t at = 1;
            if (name[at] == '#') {
                ++midi;
                ++at;
            }
            midi += 12 * (name[at] - '0' + 1);
            notes.push_back({step, length, midi});
        }
        step += length;
    }
    if (step != kStepsPerBar)
        throw std::invalid_argument("bar does not fill 16 steps: " + text);
    return notes;
}

struct Bar {
    const char* melody;
    int root;                 // bass note, octave 2
    std::array<int, 4> chord; // arpeggio notes, low to high
};

// i-VI-VII-V twice, then VI-VII-i and iv-i-V back round to the top.
const std::array<Bar, kBars> kScore{{
    {"A4:2 C5:2 E5:4 A5:4 G5:2 E5:2", 45, {57, 60, 64, 69}},
    {"F5:6 E5:2 C5:4 A4:4", 41, {53, 57, 60, 65}},
    {"D5:2 B4:2 G4:4 B4:2 D5:2 G5:4", 43, {55, 59, 62, 67}},
    {"E5:4 G#4:2 B4:2 E5:4 G#5:4", 40, {52, 56, 59, 64}},
    {"A5:4 E5:2 C5:2 A4:4 C5:2 E5:2", 45, {57, 60, 64, 69}},
    {"F5:2 E5:2 F5:2 A5:2 C6:4 A5:4", 41, {53, 57, 60, 65}},
    {"B5:4 G5:2 D5:2 G5:2 A5:2 B5:4", 43, {55, 59, 62, 67}},
    {"B5:4 G#5:4 E5:4 D5:2 B4:2", 40, {52, 56, 59, 64}},
    {"C5:4 F5:4 A5:6 G5:2", 41, {53, 57, 60, 65}},
    {"G5:4 D5:2 B4:2 D5:4 G5:2 A5:2", 43, {55, 59, 62, 67}},
    {"C6:6 B5:2 A5:4 E5:4", 45, {57, 60, 64, 69}},
    {"A5:2 G5:2 E5:2 C5:2 E5:4 A4:4", 45, {57, 60, 64, 69}},
    {"D5:4 F5:4 A5:4 D6:4", 38, {50, 53, 57, 62}},
    {"C6:4 A5:2 E5:2 C5:4 E5:4", 45, {57, 60, 64, 69}},
    {"B5:6 G#5:2 E5:4 B4:4", 40, {52, 56, 59, 64}},
    {"E5:4 D5:2 B4:2 G#4:4 B4:4", 40, {52, 56, 59, 64}},
}};

std::vector<std::int16_t> normalise(const std::vector<double>& signal) {
    double peak = 0;
    for (const double v : signal)
        peak = std::max(peak, std::abs(v));
    // 0.89 of full scale (about -1 dBFS) leaves headroom after rounding.
    const double scale = peak > 0 ? 0.89 * 32767.0 / peak : 0.0;
    std::vector<std::int16_t> out;
    out.reserve(signal.size());
    for (const double v : signal)
        out.push_back(std::int16_t(std::lround(v * scale)));
    return out;
}

} // namespace

std::vector<std::int16_t> makeMusic() {
    const auto length = std::size_t(toIndex(kBars * kStepsPerBar * kStep));
    Loop melody(length), band(length);
    Rng rng(0xD2C3);

    for (int b = 0; b < kBars; ++b) {
        const Bar& bar = kScore[std::size_t(b)];
        const double barStart = b * kStepsPerBar * kStep;
        const bool second = b >= kBars / 2;

        // The gap before each next note lets repeated pitches sound as separate notes.
        for (const Note& n : parseBar(bar.melody)) {
            const double start = barStart + n.step * kStep;
            const double gate = n.length * kStep - 0.03;
            lead(melody, start, gate, n.midi, 0.30);
            if (second)
                lead(melody, start, gate, n.midi - 12, 0.11);
        }

        static constexpr std::array<int, 8> pump{0, 12, 0, 12, 0, 12, 7, 12};
        for (int e = 0; e < 8; ++e)
            bass(band, barStart + e * 2 * kStep, 0.17, bar.root + pump[std::size_t(e)], 0.34);

        if (second) {
            static constexpr std::array<int, 16> order{0, 1, 2, 3, 2, 1, 2, 3,
                                                       0, 1, 2, 3, 2, 3, 2, 1};
            for (int s = 0; s < kStepsPerBar; ++s)
                pluck(band, barStart + s * kStep, kStep * 0.6,
                      bar.chord[std::size_t(order[std::size_t(s)])] + 12, 0.07);
        }

        for (const int s : {0, 8, 10})
            kick(band, barStart + s * kStep, 0.62, rng);
        for (const int s : {4, 12})
            snare(band, barStart + s * kStep, 0.34, rng);
        if (b == 7 || b == 15)
            for (const int s : b == 15 ? std::vector{13, 14, 15} : std::vector{14, 15})
                snare(band, barStart + s * kStep, 0.2 + 0.03 * (s - 12), rng);
        for (int s = 0; s < kStepsPerBar; s += second ? 1 : 2)
            cymbal(band, barStart + s * kStep, s % 4 == 2 ? 0.12 : 0.05, s % 2 == 0 ? 0.08 : 0.045,
                   rng);
        if (b % 8 == 0)
            cymbal(band, barStart, 1.4, 0.16, rng);
    }

    // A dotted-eighth echo behind the lead gives it room.
    const long echo = toIndex(3 * kStep);
    std::vector<double> mix(length);
    for (long i = 0; i < long(length); ++i)
        mix[std::size_t(i)] =
            band[i] + melody[i] + 0.28 * melody[i - echo] + 0.12 * melody[i - 2 * echo];
    return normalise(mix);
}

std::vector<std::int16_t> makeExplosion() {
    constexpr double seconds = 0.95;
    const long count = toIndex(seconds);
    Rng rng(0xB1A57);
    std::vector<double> out(static_cast<std::size_t>(count));
    double first = 0, second = 0, thumpPhase = 0, crackle = 0;
    for (long i = 0; i < count; ++i) {
        const double t = double(i) / kRate;
        // Noise through two low-pass stages whose corner falls from a crack to a rumble;
        // narrower filters pass less energy, partly made up so the rumble carries.
        const double corner = 140 + 2900 * std::exp(-t / 0.12);
        const double a = lowPassCoefficient(corner);
        first += a * (rng.signedUnit() - first);
        second += a * (first - second);
        const double wobble =
            1.0 + 0.22 * std::sin(kTau * 7.0 * t + 0.4) + 0.18 * std::sin(kTau * 11.3 * t + 2.1);
        const double envelope = (t < 0.004 ? t / 0.004 : 1.0) *
                                (0.72 * std::exp(-t / 0.16) + 0.28 * std::exp(-t / 0.42));
        const double rumble = second * std::pow(a, -0.4) * envelope * wobble;

        thumpPhase += (38 + 85 * std::exp(-t / 0.05)) / kRate;
        const double thump =
            std::sin(kTau * thumpPhase) * std::exp(-t / 0.2) * std::min(1.0, t / 0.003);

        if (rng.unit() < 0.006 * std::exp(-t / 0.3))
            crackle = 1.0;
        crackle *= 0.92;
        const double crack = rng.signedUnit() * crackle;

        const double tail = std::min(1.0, (seconds - t) / 0.08);
        out[std::size_t(i)] = (rumble + 0.75 * thump + 0.2 * crack) * tail;
    }
    return normalise(out);
}

std::vector<std::int16_t> makeLaser() {
    constexpr double seconds = 0.24;
    const long count = toIndex(seconds);
    std::vector<double> out(static_cast<std::size_t>(count));
    const double smooth = lowPassCoefficient(5500);
    double phase = 0, detuned = 0, sub = 0, filtered = 0;
    for (long i = 0; i < count; ++i) {
        const double t = double(i) / kRate;
        const double hz = 170 + 1750 * std::exp(-t / 0.05);
        const double dt = hz / kRate;
        const double raw = 0.5 * pulse(phase, dt, 0.5) + 0.3 * pulse(detuned, dt * 1.008, 0.3) +
                           0.4 * std::sin(kTau * sub);
        phase = std::fmod(phase + dt, 1.0);
        detuned = std::fmod(detuned + dt * 1.008, 1.0);
        sub = std::fmod(sub + dt * 0.5, 1.0);
        filtered += smooth * (raw - filtered);
        const double envelope =
            std::min(1.0, t / 0.003) * std::exp(-t / 0.085) * std::min(1.0, (seconds - t) / 0.02);
        out[std::size_t(i)] = filtered * envelope;
    }
    return normalise(out);
}

} // namespace assetgen
