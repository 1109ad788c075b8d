#include "ToneAnalysis.h"

#include <cmath>

namespace TestSupport
{
    ToneAnalysis::ToneAnalysis (const float* s, int n, double rate)
        : samples (s), numSamples (n), sampleRate (rate)
    {
    }

    int ToneAnalysis::findStart (float threshold) const
    {
        for (int i = 0; i < numSamples; ++i)
            if (std::abs (samples[i]) > threshold)
                return i;

        return -1;
    }

    int ToneAnalysis::findEnd (float threshold) const
    {
        for (int i = numSamples; --i >= 0;)
            if (std::abs (samples[i]) > threshold)
                return i + 1;

        return -1;
    }

    double ToneAnalysis::measureFrequency (int start, int end) const
    {
        double first = -1.0, last = -1.0;
        int crossings = 0;

        for (int i = juce::jmax (1, start); i < juce::jmin (end, numSamples); ++i)
        {
            const auto before = samples[i - 1], after = samples[i];

            if (before < 0.0f && after >= 0.0f)
            {
                const auto when = (i - 1) + (double) (-before / (after - before));

                if (first < 0.0)
                    first = when;

                last = when;
                ++crossings;
            }
        }

        if (crossings < 2)
            return 0.0;

        return (crossings - 1) * sampleRate / (last - first);
    }

    float ToneAnalysis::measurePeak (int start, int end) const
    {
        float peak = 0.0f;

        for (int i = juce::jmax (0, start); i < juce::jmin (end, numSamples); ++i)
            peak = juce::jmax (peak, std::abs (samples[i]));

        return peak;
    }

    int ToneAnalysis::measureLongestQuietRun (int start, int end, float threshold) const
    {
        int longest = 0, run = 0;

        for (int i = juce::jmax (0, start); i < juce::jmin (end, numSamples); ++i)
        {
            run = std::abs (samples[i]) < threshold ? run + 1 : 0;
            longest = juce::jmax (longest, run);
        }

        return longest;
    }

    float ToneAnalysis::measureLargestStep (int start, int end) const
    {
        float largest = 0.0f;

        for (int i = juce::jmax (1, start); i < juce::jmin (end, numSamples); ++i)
            largest = juce::jmax (largest, std::abs (samples[i] - samples[i - 1]));

        return largest;
    }

    double ToneAnalysis::centsBetween (double frequency, double reference)
    {
        return 1200.0 * std::log2 (frequency / reference);
    }
}
