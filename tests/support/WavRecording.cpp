#include "WavRecording.h"

namespace TestSupport
{
    // jack_rec stopped by a signal leaves its header as it wrote it before the first
    // sample, with no sizes: the data then runs to the end of the file, in whole frames.
    static void completeHeader (juce::MemoryBlock& wav)
    {
        constexpr size_t dataChunk = 36;    // libsndfile's plain header
        auto* bytes = static_cast<char*> (wav.getData());

        if (wav.getSize() < dataChunk + 8 || std::memcmp (bytes + dataChunk, "data", 4) != 0
             || juce::ByteOrder::littleEndianInt (bytes + dataChunk + 4) != 0)
            return;

        const auto frameSize = juce::jmax ((size_t) 1, (size_t) juce::ByteOrder::littleEndianShort (bytes + 32));
        const auto dataSize = (juce::uint32) ((wav.getSize() - dataChunk - 8) / frameSize * frameSize);
        const juce::uint32 sizes[] { juce::ByteOrder::swapIfBigEndian ((juce::uint32) dataChunk + dataSize),
                                     juce::ByteOrder::swapIfBigEndian (dataSize) };
        std::memcpy (bytes + 4, &sizes[0], 4);
        std::memcpy (bytes + dataChunk + 4, &sizes[1], 4);
    }

    WavRecording::WavRecording (const juce::File& wavFile)
    {
        juce::MemoryBlock wav;

        if (! wavFile.loadFileAsData (wav))
            return;

        completeHeader (wav);
        juce::WavAudioFormat format;
        std::unique_ptr<juce::AudioFormatReader> reader (format.createReaderFor (new juce::MemoryInputStream (wav, false), true));

        if (reader == nullptr || reader->lengthInSamples > std::numeric_limits<int>::max())
            return;

        samples.setSize ((int) reader->numChannels, (int) reader->lengthInSamples);
        valid = reader->read (&samples, 0, (int) reader->lengthInSamples, 0, true, true);
        sampleRate = reader->sampleRate;
    }
}
