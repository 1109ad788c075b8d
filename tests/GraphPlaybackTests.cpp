#include "support/TestSupport.h"
#include "PlayingGraph.h"

namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 256;

    /** Frequency from the rising zero crossings, each placed between its two samples. */
    double measureFrequency (const std::vector<float>& signal)
    {
        double firstCrossing = -1.0, lastCrossing = -1.0;
        int periods = -1;

        for (size_t i = 1; i < signal.size(); ++i)
        {
            if (signal[i - 1] < 0.0f && signal[i] >= 0.0f)
            {
                const auto crossing = (double) (i - 1) + signal[i - 1] / (signal[i - 1] - signal[i]);

                if (firstCrossing < 0.0)
                    firstCrossing = crossing;

                lastCrossing = crossing;
                ++periods;
            }
        }

        return periods > 0 ? periods * sampleRate / (lastCrossing - firstCrossing) : 0.0;
    }

    float peakOf (const std::vector<float>& signal)
    {
        float peak = 0.0f;

        for (auto sample : signal)
            peak = std::max (peak, std::abs (sample));

        return peak;
    }
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
        const std::vector<float> steady (onset + (int) (0.01 * sampleRate), signal.end());
        EXPECT_GT (peakOf (steady), 0.05f);
        EXPECT_LT (peakOf (steady), 1.0f);

        const auto cents = 1200.0 * std::log2 (measureFrequency (steady) / expected);
        EXPECT_NEAR (cents, 0.0, 1.0) << "expected " << expected << " Hz";
    }
}
