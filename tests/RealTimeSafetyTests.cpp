#include "support/HostApplicationFixture.h"
#include "support/JackServer.h"

#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <execinfo.h>
#include <new>

//==============================================================================
// Every heap allocation of the process is counted here: the host's, the framework's
// and the plug-in's. The plug-in's calls reach these definitions because the
// executable's symbols come first when the dynamic linker resolves the .so's
// references to operator new and malloc.
namespace
{
    std::atomic<bool> counting { false };
    std::atomic<int> audioThreadAllocations { 0 };

    // Set on the audio thread by its first callback; no other thread ever sets it.
    thread_local bool onAudioThread = false;
    thread_local bool insideHook = false;

    // The first allocation counted after the warm-up, for the failure message.
    std::atomic<bool> recordNextAllocation { false };
    void* recordedFrames[32];
    std::atomic<int> numRecordedFrames { 0 };

    // Callers of operator new while start-up loads the plug-in, to show that the
    // plug-in's allocations are seen.
    std::atomic<bool> watchingCallers { false };
    void* callers[16384];
    std::atomic<int> numCallers { 0 };

    void countAllocation()
    {
        if (! onAudioThread || insideHook || ! counting.load (std::memory_order_relaxed))
            return;

        insideHook = true;
        ++audioThreadAllocations;

        if (recordNextAllocation.exchange (false))
            numRecordedFrames = backtrace (recordedFrames, (int) std::size (recordedFrames));

        insideHook = false;
    }

    void noteCaller (void* returnAddress)
    {
        if (! watchingCallers.load (std::memory_order_relaxed))
            return;

        const auto index = numCallers++;

        if (index < (int) std::size (callers))
            callers[index] = returnAddress;
    }

    void* allocate (std::size_t size, std::size_t alignment = 0)
    {
        if (size == 0)
            size = 1;

        void* block = alignment > alignof (std::max_align_t) ? std::aligned_alloc (alignment, (size + alignment - 1) / alignment * alignment)
                                                             : std::malloc (size);
        if (block == nullptr)
            throw std::bad_alloc();

        return block;
    }
}

#if defined (__SANITIZE_ADDRESS__)
// The sanitizer owns malloc; it calls this hook for every allocation, new included.
extern "C" int __sanitizer_install_malloc_and_free_hooks (void (*) (const volatile void*, std::size_t),
                                                          void (*) (const volatile void*));
namespace
{
    void installMallocCounter()
    {
        __sanitizer_install_malloc_and_free_hooks ([] (const volatile void*, std::size_t) { countAllocation(); },
                                                   [] (const volatile void*) {});
    }
}
#else
// The framework's heap blocks call malloc, calloc and realloc directly.
extern "C"
{
    void* __libc_malloc (std::size_t);
    void* __libc_calloc (std::size_t, std::size_t);
    void* __libc_realloc (void*, std::size_t);
    void* __libc_memalign (std::size_t, std::size_t);

    void* malloc (std::size_t size) noexcept                             { countAllocation(); return __libc_malloc (size); }
    void* calloc (std::size_t count, std::size_t size) noexcept          { countAllocation(); return __libc_calloc (count, size); }
    void* realloc (void* block, std::size_t size) noexcept               { countAllocation(); return __libc_realloc (block, size); }
    void* aligned_alloc (std::size_t alignment, std::size_t size) noexcept { countAllocation(); return __libc_memalign (alignment, size); }
    void* memalign (std::size_t alignment, std::size_t size) noexcept    { countAllocation(); return __libc_memalign (alignment, size); }

    int posix_memalign (void** result, std::size_t alignment, std::size_t size) noexcept
    {
        countAllocation();
        *result = __libc_memalign (alignment, size);
        return *result != nullptr ? 0 : ENOMEM;
    }
}

namespace
{
    void installMallocCounter() {}
}
#endif

// operator new counts through malloc; here it notes who called it.
void* operator new (std::size_t size)                                        { noteCaller (__builtin_return_address (0)); return allocate (size); }
void* operator new[] (std::size_t size)                                      { noteCaller (__builtin_return_address (0)); return allocate (size); }
void* operator new (std::size_t size, std::align_val_t alignment)            { noteCaller (__builtin_return_address (0)); return allocate (size, (std::size_t) alignment); }
void* operator new[] (std::size_t size, std::align_val_t alignment)          { noteCaller (__builtin_return_address (0)); return allocate (size, (std::size_t) alignment); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept        { noteCaller (__builtin_return_address (0)); return std::malloc (size == 0 ? 1 : size); }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept      { noteCaller (__builtin_return_address (0)); return std::malloc (size == 0 ? 1 : size); }
void operator delete (void* block) noexcept                                  { std::free (block); }
void operator delete[] (void* block) noexcept                                { std::free (block); }
void operator delete (void* block, std::size_t) noexcept                     { std::free (block); }
void operator delete[] (void* block, std::size_t) noexcept                   { std::free (block); }
void operator delete (void* block, std::align_val_t) noexcept                { std::free (block); }
void operator delete[] (void* block, std::align_val_t) noexcept              { std::free (block); }
void operator delete (void* block, std::size_t, std::align_val_t) noexcept   { std::free (block); }
void operator delete[] (void* block, std::size_t, std::align_val_t) noexcept { std::free (block); }

//==============================================================================
namespace
{
    void pressNotes (juce::MidiMessageCollector& collector, bool on)
    {
        for (const auto note : { 48, 52, 55, 59, 60, 64, 67, 71 })
        {
            auto message = on ? juce::MidiMessage::noteOn (1, note, 0.5f) : juce::MidiMessage::noteOff (1, note);
            message.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
            collector.addMessageToQueue (message);
        }
    }

    /** Registered with the device manager after the host's player, so it runs on the
        same audio thread right after it in every block. It marks that thread, counts
        the blocks and, when asked, allocates once there or hands the player a burst of
        notes for each of the next blocks.
    */
    class AudioThreadProbe  : public juce::AudioIODeviceCallback
    {
    public:
        void audioDeviceIOCallbackWithContext (const float* const*, int, float* const* outputs, int numOutputs,
                                               int numSamples, const juce::AudioIODeviceCallbackContext&) override
        {
            onAudioThread = true;

            for (int i = 0; i < numOutputs; ++i)
                if (outputs[i] != nullptr)
                    juce::FloatVectorOperations::clear (outputs[i], numSamples);

            if (allocateOnce.exchange (false))
                deliberateAllocation = new juce::MemoryBlock (64);

            // The notes released and struck twice over: the player takes them in the next block.
            if (burstsToSend > 0 && collector != nullptr)
            {
                for (int i = 0; i < 2; ++i)
                {
                    pressNotes (*collector, false);
                    pressNotes (*collector, true);
                }

                --burstsToSend;
            }

            ++blocks;
        }

        void audioDeviceAboutToStart (juce::AudioIODevice*) override {}
        void audioDeviceStopped() override {}

        std::atomic<int> blocks { 0 };
        std::atomic<bool> allocateOnce { false };
        std::atomic<juce::MemoryBlock*> deliberateAllocation { nullptr };
        std::atomic<juce::MidiMessageCollector*> collector { nullptr };
        std::atomic<int> burstsToSend { 0 };
    };

    juce::String describeFrame (void* address)
    {
        Dl_info info {};

        if (dladdr (address, &info) == 0 || info.dli_fname == nullptr)
            return juce::String::toHexString ((juce::pointer_sized_int) address);

        // Ask for the function and line, as a debugger would show them.
        const auto offset = (juce::pointer_sized_int) address - (juce::pointer_sized_int) info.dli_fbase - 1;
        juce::ChildProcess addr2line;

        if (addr2line.start (juce::StringArray { "addr2line", "-f", "-C", "-e", info.dli_fname,
                                                 "0x" + juce::String::toHexString (offset) }))
        {
            const auto lines = juce::StringArray::fromLines (addr2line.readAllProcessOutput().trim());

            if (lines.size() == 2 && lines[0] != "??")
                return lines[0] + " at " + lines[1];
        }

        return juce::String (info.dli_fname) + "+0x" + juce::String::toHexString (offset);
    }

    juce::String recordedBacktrace()
    {
        juce::String text;

        for (int i = 0; i < numRecordedFrames; ++i)
            text << "    #" << i << " " << describeFrame (recordedFrames[i]) << "\n";

        return text;
    }
}

//==============================================================================
class RealTimeSafety  : public HostApplicationFixture
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE (jack.isRunning());

        // The framework's JACK client reads these when it connects.
        for (const auto& [name, value] : jack.clientEnvironment ({}))
            setenv (name.c_str(), value.c_str(), 1);

        home.installPlugin (TestSupport::demoInstrument());

        // backtrace() loads its unwinder on first use, which allocates.
        void* frame[1];
        backtrace (frame, 1);
        installMallocCounter();
    }

    void TearDown() override
    {
        counting = false;

        if (app != nullptr)
            app->deviceManager.removeAudioCallback (&probe);

        // The host goes before the server it plays to.
        stop();
        delete probe.deliberateAllocation.exchange (nullptr);
    }

    bool waitForBlocks (int count)
    {
        const auto target = probe.blocks + count;
        return TestSupport::runMessageLoopUntil ([&] { return probe.blocks >= target; }, 10000);
    }

    TestSupport::JackServer jack;
    AudioThreadProbe probe;
};

TEST_F (RealTimeSafety, audioThreadAllocatesNothingWhileNotesAreHeld)
{
    watchingCallers = true;
    auto& host = start();
    watchingCallers = false;

    auto* device = currentDevice();
    ASSERT_NE (device, nullptr);
    ASSERT_EQ (device->getTypeName(), "JACK");
    ASSERT_NE (host.processor, nullptr);

    // The plug-in's own allocations reach the counting operator new.
    const auto pluginPath = home.getHome().getChildFile (".vst/Vexilor.so").getFullPathName();
    int pluginCallers = 0;

    for (int i = 0; i < juce::jmin (numCallers.load(), (int) std::size (callers)); ++i)
    {
        Dl_info info {};

        if (dladdr (callers[i], &info) != 0 && info.dli_fname != nullptr && pluginPath == info.dli_fname)
            ++pluginCallers;
    }

    EXPECT_GT (pluginCallers, 0) << "no operator new call from " << pluginPath << " was seen";

    auto level = host.deviceManager.getOutputLevelGetter();
    counting = true;
    host.deviceManager.addAudioCallback (&probe);
    ASSERT_TRUE (waitForBlocks (8)) << "the device does not run";

    // An allocation made on purpose on the audio thread is counted.
    const auto beforeDeliberate = audioThreadAllocations.load();
    probe.allocateOnce = true;
    ASSERT_TRUE (TestSupport::runMessageLoopUntil ([&] { return probe.deliberateAllocation != nullptr; }));
    EXPECT_GE (audioThreadAllocations - beforeDeliberate, 1);

    // Two MIDI buffers of the framework grow on the audio thread whenever a block brings
    // more events than any block before, and neither is within the host's reach: the
    // player's own, and the VST 2 instance's, which it swaps with the graph's every block
    // (so the graph's alternates between two). The warm-up therefore brings the largest
    // bursts, twice as many events as the measured run ever sends at once, in eight
    // blocks in a row. The audio thread hands them over itself: from the message
    // thread, which blocks they reach would depend on how soon that thread runs.
    auto& collector = host.player.getMidiMessageCollector();
    pressNotes (collector, true);
    probe.collector = &collector;
    probe.burstsToSend = 8;
    ASSERT_TRUE (TestSupport::runMessageLoopUntil ([&] { return probe.burstsToSend == 0; }, 10000));
    ASSERT_TRUE (waitForBlocks (32));

    // From here on, not one allocation: eight notes held for three seconds, struck
    // again half way through.
    const auto afterWarmUp = audioThreadAllocations.load();
    recordNextAllocation = true;
    const auto blocksPerSecond = TestSupport::JackServer::sampleRate / 256;

    ASSERT_TRUE (waitForBlocks (blocksPerSecond * 3 / 2));
    EXPECT_GT (level->getCurrentLevel(), 0.01) << "the held notes are not heard";

    pressNotes (collector, false);
    pressNotes (collector, true);
    ASSERT_TRUE (waitForBlocks (blocksPerSecond * 3 / 2));
    EXPECT_GT (level->getCurrentLevel(), 0.01) << "the notes struck again are not heard";

    counting = false;
    const auto allocations = audioThreadAllocations - afterWarmUp;
    EXPECT_EQ (allocations, 0) << "the first one:\n" << recordedBacktrace();
}
