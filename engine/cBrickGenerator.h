#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/DrawnArea.h"
#include "engine/LayoutPixelSizes.h"
#include "engine/LayoutRandomTables.h"
#include "engine/TextureOptionsValues.h"
#include "engine/tBrick.h"
#include "filters/clsImageFilter.h"
#include "platform/RandomGenerator.h"
#include "imaging/cBitmap.h"
#include "imaging/cGraphics.h"
#include "platform/Status.h"

namespace kalvora {

class cBrickData;
class GeneratorHost;

// The texture engine. One GenerateBricks call turns a project and a texture
// type into one 32-bit ARGB image, OutBitmap, in fixed phases: pixel sizes
// and random tables, texture options and brick layout, background, bricks,
// post-processing. After every step it reports progress and lets the event
// queue run, so the caller can show the partial result and cancel.
class cBrickGenerator {
public:
    // Progress(Progress, SecondsLeft, Description, IsFinal): percent done,
    // estimated seconds left (in the final report the whole seconds since
    // the brick drawing began), status text, and whether this report ends
    // the run.
    using ProgressHandler =
        std::function<void(int32_t& Progress, int32_t& SecondsLeft, std::string& Description, bool IsFinal)>;

    cBrickGenerator();
    ~cBrickGenerator();
    cBrickGenerator(const cBrickGenerator&) = delete;
    cBrickGenerator& operator=(const cBrickGenerator&) = delete;

    // The result of the last run; it stays readable until the next run
    // replaces its image, also after a cancelled run. A run left by an
    // exception keeps the previous image when it had not replaced it yet,
    // and leaves no image otherwise.
    cBitmap OutBitmap;

    // The Progress event.
    ProgressHandler Progress;

    // Runs one generation to its end inside the call. Refused (false, nothing
    // touched) while a run is going on. The run writes the project's
    // RowOffset (border, arch, column), Width and Height. An exception from
    // the host (its progress handler, its yield) or from the Progress event
    // ends the run and reaches the caller; the generator is then ready for
    // the next run.
    bool GenerateBricks(cBrickData& oBrickData, const int32_t& aBrickStyle, GeneratorHost& host);

    // Stops the run at its next poll and reports 100 % "Brick Generation
    // aborted". It does not let the event queue run: it is called from
    // inside a yield (or a Progress handler), and the run's next report
    // yields again.
    void CancelProcess();

    // The part of OutBitmap drawn since the last call, clipped to it: a
    // viewer that keeps its own copy of the output brings over only that
    // part. A run marks all of the output as soon as it makes a new one.
    platform::PixelRect takeDrawnArea() { return m_drawn.take(OutBitmap.Width(), OutBitmap.Height()); }
    // The part of that area one copy brings over, in whole rows of every
    // brick it touches: see DrawnArea::takeRows. The rest is taken later.
    platform::PixelRect takeDrawnRows(int64_t maxPixels, int32_t fromRow)
    {
        return m_drawn.takeRows(OutBitmap.Width(), OutBitmap.Height(), maxPixels, fromRow);
    }
    // Whether anything was drawn since the last takeDrawnArea and the output
    // may be read: during a yield inside a pass it may be half written.
    bool hasDrawnArea() const { return !m_insidePass && !m_drawn.empty(); }

    bool isRunning() const { return m_running; }
    // Ok after a completed run; Aborted after a cancel or a run ended by an
    // exception; InvalidParameter when the project's settings could not be
    // used; OutOfMemory when memory the run needed could not be had (its
    // layout, an image of any step, or the host's copy of the output): the
    // run failed, ended with the report "Not enough memory", and keeps the
    // previous output when it had not replaced it yet, and none otherwise.
    platform::Status lastStatus() const { return m_status; }
    // What to tell the user of a run that failed for lack of memory ("Not
    // enough memory for a W x H texture.", the size of the texture the run
    // was to make); empty after any other run.
    std::string failureMessage() const;
    // Ends the run as failed for lack of memory: for a host that cannot get
    // the memory its copy of the output needs. The run stops at its next
    // poll; called during the final report, the run still counts as failed.
    void failForLackOfMemory();

    // The final report's text of a run that failed for lack of memory.
    static constexpr const char* kOutOfMemoryText = "Not enough memory";

    const std::vector<tBrick>& bricks() const { return Bricks; }
    const LayoutPixelSizes& pixelSizes() const { return m_sizes; }
    const TextureOptionsValues& textureOptions() const { return m_options; }
    // The interpolation mode of every resize of the run.
    platform::InterpolationMode resizeMode() const { return ResizeMode; }

    // The millisecond clock of the time estimates; tests put a fake here.
    void setTickSource(std::function<int64_t()> tickSource);

    // The interpolation mode for the output panel's state: high-quality
    // bicubic, or by the preview quality while the "Preview" tab is shown.
    static platform::InterpolationMode chooseResizeMode(bool previewTabShown, int32_t previewQualityIndex);

    // "m:ss" for a number of whole seconds: whole minutes unpadded, the
    // remaining seconds as the last two characters of "00" and their number.
    static std::string minutesSeconds(int64_t seconds);
    // " (m:ss)" for a number of whole seconds.
    static std::string elapsedSuffix(int64_t seconds);
    // Seconds left after elapsedMs for the share done, 0 < Value < 1.
    static int32_t estimateSecondsLeft(int64_t elapsedMs, float Value);
    // The share done as a whole percentage.
    static int32_t percentOf(float Value);

private:
    // Raises the Progress event, then lets the event queue run.
    void ReportProgress(float Value, std::string Description, bool isFinal = false);
    // Raises the Progress event only.
    void raiseProgress(float Value, std::string Description, bool isFinal);
    // Gives back the run's state at the end of GenerateBricks, completed or
    // left by an exception.
    void endRun(bool completed);
    void yieldToEvents();
    // The yield between the bands of a long pass; throws WorkStopped after a cancel.
    void yieldInsidePass();
    // Runs a phase; a cancel inside one of its passes ends it, and so does
    // memory running out (std::bad_alloc), which fails the run.
    void runStoppable(const std::function<void()>& phase);
    // A step's status: OutOfMemory fails the run, which then stops at its
    // next poll like a cancel; any other status leaves the run going.
    void noteStatus(platform::Status status);
    bool failed() const { return m_status == platform::OutOfMemory; }
    // The filters' failure messages kept during the run are shown, unless
    // the run has failed for lack of memory: they tell of that failure and
    // its consequences, and the host tells of it once.
    void showKeptMessages();
    // The size of the texture the run makes, for the failure message: the
    // canvas's, or the partial texture's by the texture options.
    void noteTextureSize();

    // Whether the settings can be laid out and drawn; sets the status when not.
    bool settingsUsable();
    bool textureOptionsUsable();
    void InitializeLayout();
    void runLayout();

    // Drawing phases: the background, the bricks and the post-processing
    // (the mortar tiling, bricks and post-processing steps are defined in
    // cBrickGeneratorDrawing.cpp).
    void CreateBackground();
    void DrawMortarBackground();
    void CreateBorderBackground();
    void CreateArchBackground();
    void CreateColumnBackground();
    // Grows the project's canvas to at least width x height and tiles the mortar over it.
    void drawMortarAtLeast(int32_t width, int32_t height);
    void CreateTargetBitmap(int32_t W, int32_t H);
    // Crops the output to the rectangle, noting the status of a crop that
    // could not be made.
    void cropOutput(int32_t x, int32_t y, int32_t w, int32_t h);
    void PrepareGraphics();
    void DrawAllBricks();
    void DrawBrick(const tBrick& b);
    void PostProcess();
    void ProcessBorders();
    void PostProcessLeftBorder();
    void PostProcessRightBorder();
    void PostProcessArch();
    void PostProcessColumn();

    int64_t now() const;

    // Run state.
    bool Aborted = false;
    bool m_running = false;
    bool m_insidePass = false;
    // Whether this run has released the previous output image.
    bool m_outputReplaced = false;
    platform::Status m_status = platform::Ok;
    int32_t m_textureWidth = 0;
    int32_t m_textureHeight = 0;
    // The filters' failure messages of the run, kept on its thread.
    clsImageFilter::MessageDeferral* m_messages = nullptr;
    int32_t BrickStyle = 0;
    cBrickData* BrickData = nullptr;
    GeneratorHost* m_host = nullptr;
    TextureOptionsValues m_options;

    // Imaging objects for the generator's whole life. The filter draws the
    // soft outlines from the run's own random generator, so nothing the user
    // does during a run's yields (a "Randomize" click) changes the edges.
    cBitmap WorkBitmap;
    platform::RandomGenerator m_outlineRandom;
    clsImageFilter ImageFilter;
    cGraphics OutGraphics;

    std::vector<tBrick> Bricks;
    LayoutPixelSizes m_sizes;
    platform::InterpolationMode ResizeMode = platform::InterpolationMode::HighQualityBicubic;
    LayoutRandomTables m_random;
    int64_t StartTick = 0;
    DrawnArea m_drawn;
    std::function<int64_t()> m_tickSource;
};

}  // namespace kalvora
