/*
    What the host adds to the instrument's own cost: one 64-sample block at 48 kHz
    through the player and the three-node graph, against the same plug-in instance's
    processBlock called directly, both with 8 notes held. Also counts the heap
    allocations the audio path makes per block once it is warmed up.

    Run it on a quiet machine, from a Release build:
        cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
        ninja -C build-release GraphBenchmark && build-release/bench/GraphBenchmark
*/
#include "PlayingGraph.h"

#include <benchmark/benchmark.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <new>
#include <vector>

//==============================================================================
// Counts every heap allocation made on a thread while its counting flag is set:
// operator new and, since the framework's containers allocate with malloc and
// realloc, the C allocator too.
namespace
{
    thread_local bool countingAllocations = false;
    long long allocationsCounted = 0;

    void noteAllocation() noexcept
    {
        if (countingAllocations)
            ++allocationsCounted;
    }

    void* allocate (std::size_t size)
    {
        noteAllocation();

        if (auto* p = std::malloc (size == 0 ? 1 : size))
            return p;

        throw std::bad_alloc();
    }

    void* allocateAligned (std::size_t size, std::align_val_t alignment)
    {
        noteAllocation();
        void* p = nullptr;

        if (posix_memalign (&p, std::max (sizeof (void*), static_cast<std::size_t> (alignment)), size == 0 ? 1 : size) == 0)
            return p;

        throw std::bad_alloc();
    }
}

void* operator new (std::size_t size)                                       { return allocate (size); }
void* operator new[] (std::size_t size)                                     { return allocate (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept       { try { return allocate (size); } catch (...) { return nullptr; } }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept     { try { return allocate (size); } catch (...) { return nullptr; } }
void* operator new (std::size_t size, std::align_val_t a)                   { return allocateAligned (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a)                 { return allocateAligned (size, a); }
void operator delete (void* p) noexcept                                     { std::free (p); }
void operator delete[] (void* p) noexcept                                   { std::free (p); }
void operator delete (void* p, std::size_t) noexcept                        { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept                      { std::free (p); }
void operator delete (void* p, std::align_val_t) noexcept                   { std::free (p); }
void operator delete[] (void* p, std::align_val_t) noexcept                 { std::free (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept      { std::free (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept    { std::free (p); }

#if ! defined (__SANITIZE_ADDRESS__)
// glibc's own entry points, under the names it exports for wrappers like these.
extern "C" void* __libc_malloc (std::size_t);
extern "C" void* __libc_calloc (std::size_t, std::size_t);
extern "C" void* __libc_realloc (void*, std::size_t);

extern "C" void* malloc (std::size_t size)                  { noteAllocation(); return __libc_malloc (size); }
extern "C" void* calloc (std::size_t count, std::size_t size) { noteAllocation(); return __libc_calloc (count, size); }
extern "C" void* realloc (void* p, std::size_t size)        { noteAllocation(); return __libc_realloc (p, size); }
#endif

//==============================================================================
namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 64;
    constexpr int notesHeld[] = { 60, 62, 64, 65, 67, 69, 71, 72 };

    /** The graph playing the demo instrument, with the 8 notes held and faded in. */
    struct HeldChord
    {
        HeldChord()
        {
            if (! playing.isWired())
                return;

            for (auto note : notesHeld)
                playing.sendMidi (juce::MidiMessage::noteOn (1, note, (juce::uint8) 100));

            float peak = 0.0f;

            for (int i = 0; i < 100; ++i)
                peak = std::max (peak, playing.renderBlock().getMagnitude (0, 0, blockSize));

            // A voice peaks at 0.1: only a chord of several voices reaches this.
            if (peak > 0.3f)
                plugin = playing.getPlugin();
        }

        PlayingGraph playing { juce::File (VEXILOR_DEMO_INSTRUMENT), sampleRate, blockSize };
        juce::AudioProcessor* plugin = nullptr;
        juce::AudioBuffer<float> directBuffer { 2, blockSize };
        juce::MidiBuffer directMidi;

        void blockThroughHost()     { playing.renderBlock(); }
        void blockDirect()          { directMidi.clear(); plugin->processBlock (directBuffer, directMidi); }
    };

    HeldChord* chord = nullptr;

    void throughPlayerAndGraph (benchmark::State& state)
    {
        for (auto _ : state)
        {
            chord->blockThroughHost();
            benchmark::ClobberMemory();
        }
    }

    void pluginProcessBlockDirectly (benchmark::State& state)
    {
        for (auto _ : state)
        {
            chord->blockDirect();
            benchmark::ClobberMemory();
        }
    }

    /** Prints as usual and keeps each benchmark's median time per block. */
    class MedianKeeper  : public benchmark::ConsoleReporter
    {
    public:
        void ReportRuns (const std::vector<Run>& runs) override
        {
            for (auto& run : runs)
                if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                    medians[run.run_name.function_name] = run.GetAdjustedCPUTime();

            ConsoleReporter::ReportRuns (runs);
        }

        std::map<std::string, double> medians;
    };

   #if ! defined (__SANITIZE_ADDRESS__)
    /** True when the counter sees the allocations of the framework and of a plug-in. */
    bool allocationCounterWorks()
    {
        allocationsCounted = 0;
        countingAllocations = true;
        juce::MidiBuffer buffer;
        buffer.ensureSize (4096);                                        // the framework's malloc
        auto audio = std::make_unique<juce::AudioBuffer<float>> (2, 64);    // operator new and malloc
        countingAllocations = false;
        return allocationsCounted >= 3;
    }

    double allocationsPerBlock (void (HeldChord::* block)(), int numBlocks)
    {
        allocationsCounted = 0;
        countingAllocations = true;

        for (int i = 0; i < numBlocks; ++i)
            (chord->*block)();

        countingAllocations = false;
        return (double) allocationsCounted / numBlocks;
    }
   #endif
}

BENCHMARK (throughPlayerAndGraph)->MinTime (0.5)->Repetitions (7)->ReportAggregatesOnly (true);
BENCHMARK (pluginProcessBlockDirectly)->MinTime (0.5)->Repetitions (7)->ReportAggregatesOnly (true);

int main (int argc, char** argv)
{
    // Interleave the repetitions of the two runs, so that a change in the machine's load
    // falls on both sides of the ratio rather than on one.
    std::vector<char*> arguments (argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert (arguments.begin() + 1, interleave);
    auto numArguments = (int) arguments.size();
    benchmark::Initialize (&numArguments, arguments.data());
    juce::ScopedJuceInitialiser_GUI framework;

    HeldChord heldChord;

    if (heldChord.plugin == nullptr)
    {
        std::cerr << "GraphBenchmark: could not play a chord on " << VEXILOR_DEMO_INSTRUMENT << std::endl;
        return 1;
    }

    chord = &heldChord;

    MedianKeeper reporter;
    benchmark::RunSpecifiedBenchmarks (&reporter);

    const auto host = reporter.medians["throughPlayerAndGraph"];
    const auto direct = reporter.medians["pluginProcessBlockDirectly"];

    if (host > 0.0 && direct > 0.0)
        std::cout << "\nOne " << blockSize << "-sample block at " << sampleRate / 1000.0 << " kHz, "
                  << std::size (notesHeld) << " notes held (median CPU time):\n"
                  << "  through player and graph: " << host << " ns\n"
                  << "  plug-in directly:         " << direct << " ns\n"
                  << "  host overhead:            " << (host - direct) / direct * 100.0 << " % of the instrument's cost\n";

   #if defined (__SANITIZE_ADDRESS__)
    std::cout << "Heap allocations per block: not counted here, the sanitizer's runtime owns malloc\n";
   #else
    if (! allocationCounterWorks())
    {
        std::cerr << "GraphBenchmark: the allocation counter sees nothing" << std::endl;
        return 1;
    }

    // Warmed up by the runs above.
    std::cout << "Heap allocations per block (C and C++ allocators, over 10000 blocks):\n"
              << "  through player and graph: " << allocationsPerBlock (&HeldChord::blockThroughHost, 10000) << "\n"
              << "  plug-in directly:         " << allocationsPerBlock (&HeldChord::blockDirect, 10000) << "\n";
   #endif

    chord = nullptr;
    benchmark::Shutdown();
    return 0;
}
