#include "DemoInstrumentProcessor.h"
#include "DemoInstrumentEditor.h"

#if DEMO_INSTRUMENT_MONO
 static constexpr auto outputLayout = &juce::AudioChannelSet::mono;
#else
 static constexpr auto outputLayout = &juce::AudioChannelSet::stereo;
#endif

DemoInstrumentProcessor::DemoInstrumentProcessor()
    : AudioProcessor (BusesProperties().withOutput ("Output", outputLayout(), true))
{
}

void DemoInstrumentProcessor::prepareToPlay (double newSampleRate, int)
{
    sampleRate = newSampleRate;
    gainStep = (float) (1.0 / (0.005 * sampleRate));   // 5 ms ramps
    keyboardState.reset();

    for (auto& v : voices)
        v = {};
}

void DemoInstrumentProcessor::releaseResources() {}

bool DemoInstrumentProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    return layouts.getMainInputChannelSet().isDisabled()
        && layouts.getMainOutputChannelSet() == outputLayout();
}

void DemoInstrumentProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    juce::ScopedNoDenormals noDenormals;
    const auto numSamples = buffer.getNumSamples();

    keyboardState.processNextMidiBuffer (midi, 0, numSamples, true);
    buffer.clear();

    int position = 0;

    for (const auto metadata : midi)
    {
        const auto when = juce::jlimit (0, numSamples, metadata.samplePosition);
        render (buffer, position, when - position);
        position = when;

        const auto message = metadata.getMessage();

        if (message.isNoteOn())
            startNote (message.getNoteNumber());
        else if (message.isNoteOff())
            stopNote (message.getNoteNumber());
        else if (message.isAllNotesOff() || message.isAllSoundOff())
            for (auto& v : voices)
                v.released = true;
    }

    render (buffer, position, numSamples - position);

    // The instrument has no MIDI output, so it leaves no events behind (the on-screen
    // keyboard adds its notes here); the plug-in wrapper asserts on any that remain.
    midi.clear();
}

void DemoInstrumentProcessor::startNote (int note)
{
    Voice* chosen = nullptr;

    for (auto& v : voices)
        if (v.note == note || (chosen == nullptr && v.note < 0))
            chosen = &v;

    if (chosen == nullptr)
        chosen = &voices[0];   // all busy: steal the first voice

    const auto frequency = juce::MidiMessage::getMidiNoteInHertz (note);

    if (chosen->note != note)
    {
        chosen->phase = 0.0;
        chosen->gain = 0.0f;
    }

    chosen->note = note;
    chosen->released = false;
    chosen->phaseDelta = juce::MathConstants<double>::twoPi * frequency / sampleRate;
}

void DemoInstrumentProcessor::stopNote (int note)
{
    for (auto& v : voices)
        if (v.note == note)
            v.released = true;
}

void DemoInstrumentProcessor::render (juce::AudioBuffer<float>& buffer, int start, int numSamples)
{
    if (numSamples <= 0)
        return;

    auto* left = buffer.getWritePointer (0);

    for (auto& v : voices)
    {
        if (v.note < 0)
            continue;

        for (int i = start; i < start + numSamples; ++i)
        {
            v.gain = v.released ? v.gain - gainStep : juce::jmin (1.0f, v.gain + gainStep);

            if (v.gain <= 0.0f && v.released)
            {
                v = {};
                break;
            }

            left[i] += voiceLevel * v.gain * (float) std::sin (v.phase);
            v.phase += v.phaseDelta;

            if (v.phase >= juce::MathConstants<double>::twoPi)
                v.phase -= juce::MathConstants<double>::twoPi;
        }
    }

    for (int channel = 1; channel < buffer.getNumChannels(); ++channel)
        buffer.copyFrom (channel, start, buffer, 0, start, numSamples);
}

//==============================================================================
bool DemoInstrumentProcessor::hasEditor() const
{
   #if DEMO_INSTRUMENT_NO_EDITOR
    return false;
   #else
    return true;
   #endif
}

juce::AudioProcessorEditor* DemoInstrumentProcessor::createEditor()
{
   #if DEMO_INSTRUMENT_NO_EDITOR
    return nullptr;
   #else
    return new DemoInstrumentEditor (*this);
   #endif
}

int DemoInstrumentProcessor::getNumPrograms()
{
   #if DEMO_INSTRUMENT_RESIZING
    return 2;
   #else
    return 1;
   #endif
}

void DemoInstrumentProcessor::setCurrentProgram (int index)
{
    currentProgram = juce::jlimit (0, getNumPrograms() - 1, index);
}

juce::Rectangle<int> DemoInstrumentProcessor::editorSizeForProgram (int program)
{
    return program == 0 ? juce::Rectangle<int> (600, 240) : juce::Rectangle<int> (720, 300);
}

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new DemoInstrumentProcessor();
}
