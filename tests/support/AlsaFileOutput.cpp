#include "AlsaFileOutput.h"
#include "TestSupport.h"

AlsaFileOutput::AlsaFileOutput (const juce::File& rawFile, int channels, double rate)
    : file (rawFile), numChannels (channels), sampleRate (rate)
{
}

juce::int64 AlsaFileOutput::getNumFrames() const
{
    return file.getSize() / (juce::int64) (sizeof (float) * (size_t) numChannels);
}

bool AlsaFileOutput::waitForFrames (juce::int64 numFrames, int timeoutMs) const
{
    return TestSupport::runMessageLoopUntil ([&] { return getNumFrames() >= numFrames; }, timeoutMs);
}

juce::AudioBuffer<float> AlsaFileOutput::read (juce::int64 startFrame, int numFrames) const
{
    juce::AudioBuffer<float> buffer (numChannels, numFrames);
    buffer.clear();

    juce::FileInputStream stream (file);

    if (! stream.openedOk() || ! stream.setPosition (startFrame * numChannels * (juce::int64) sizeof (float)))
        return buffer;

    std::vector<float> interleaved ((size_t) (numFrames * numChannels));
    const auto bytesRead = stream.read (interleaved.data(), (int) (interleaved.size() * sizeof (float)));
    const auto framesRead = bytesRead / (int) (sizeof (float) * (size_t) numChannels);

    for (int frame = 0; frame < framesRead; ++frame)
        for (int channel = 0; channel < numChannels; ++channel)
            buffer.setSample (channel, frame, interleaved[(size_t) (frame * numChannels + channel)]);

    buffer.setSize (numChannels, framesRead, true);
    return buffer;
}

juce::AudioBuffer<float> AlsaFileOutput::readLatest (int numFrames) const
{
    return read (juce::jmax ((juce::int64) 0, getNumFrames() - numFrames), numFrames);
}
