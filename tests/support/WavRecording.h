#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

namespace TestSupport
{
    //==============================================================================
    /** The samples of a WAV file, read whole into memory. */
    class WavRecording
    {
    public:
        explicit WavRecording (const juce::File& wavFile);

        bool isValid() const noexcept                   { return valid; }
        int getNumChannels() const noexcept             { return samples.getNumChannels(); }
        int getNumSamples() const noexcept              { return samples.getNumSamples(); }
        double getSampleRate() const noexcept           { return sampleRate; }
        const float* getChannel (int channel) const     { return samples.getReadPointer (channel); }

    private:
        juce::AudioBuffer<float> samples;
        double sampleRate = 0.0;
        bool valid = false;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WavRecording)
    };
}
