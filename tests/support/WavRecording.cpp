#include "WavRecording.h"

namespace TestSupport
{
    WavRecording::WavRecording (const juce::File& wavFile)
    {
        juce::WavAudioFormat format;
        std::unique_ptr<juce::AudioFormatReader> reader (format.createReaderFor (wavFile.createInputStream().release(), true));

        if (reader == nullptr || reader->lengthInSamples > std::numeric_limits<int>::max())
            return;

        samples.setSize ((int) reader->numChannels, (int) reader->lengthInSamples);
        valid = reader->read (&samples, 0, (int) reader->lengthInSamples, 0, true, true);
        sampleRate = reader->sampleRate;
    }
}
