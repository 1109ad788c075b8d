#include "support/TestSupport.h"
#include "support/ToneAnalysis.h"
#include "PlayingGraph.h"

namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 256;
}

TEST (GraphPlayback, noteOnReachesBothOutputsAtItsFrequency)
{
    PlayingGraph playing (TestSupport::demoInstrument(), sampleRate, blockSize);
    ASSERT_TRUE (playing.isWired());

    for (int block = 0; block < 20; ++block)
    {
        const auto& output = playing.renderBlock();

        for (int channel = 0; channel < 2; ++channel)
            ASSERT_EQ (output.getMagnitude (channel, 0, blockSize), 0.0f) << "before the note, block " << block;
    }

    const auto note = 76;   // E5
    playing.sendMidi (juce::MidiMessage::noteOn (1, note, (juce::uint8) 100));

    std::vector<float> channels[2];

    for (int block = 0; block < (int) sampleRate / blockSize; ++block)
    {
        const auto& output = playing.renderBlock();

        for (int channel = 0; channel < 2; ++channel)
            channels[channel].insert (channels[channel].end(), output.getReadPointer (channel),
                                      output.getReadPointer (channel) + blockSize);
    }

    const auto expected = juce::MidiMessage::getMidiNoteInHertz (note);

    for (auto& signal : channels)
    {
        // Collected between two callbacks, the note starts within the next block; a
        // voice's first sample is the sine at phase 0, so the first sound may come one later.
        const auto onset = std::find_if (signal.begin(), signal.end(), [] (float s) { return s != 0.0f; });
        ASSERT_LE (onset - signal.begin(), blockSize);

        // Past the voice's 5 ms fade-in: a steady tone, well inside full scale.
        const TestSupport::ToneAnalysis tone (signal.data(), (int) signal.size(), sampleRate);
        const auto steady = (int) (onset - signal.begin()) + (int) (0.01 * sampleRate);
        const auto end = (int) signal.size();
        EXPECT_GT (tone.measurePeak (steady, end), 0.05f);
        EXPECT_LT (tone.measurePeak (steady, end), 1.0f);

        const auto cents = TestSupport::ToneAnalysis::centsBetween (tone.measureFrequency (steady, end), expected);
        EXPECT_NEAR (cents, 0.0, 1.0) << "expected " << expected << " Hz";
    }
}
