#pragma once

// The hit test on the graphics card as the view offers it to the game: the game draws its objects
// between these stages, and one occlusion query per target slot counts the target's pixels that
// land on what was drawn since the last cover.
class HitPasses {
public:
    enum Stage {
        // Into the offscreen framebuffer, then as cover.
        open = 0,
        // Depth test only: what is drawn now is counted, not kept.
        probe = 1,
        // Back to the view's framebuffer, GL finished.
        close = 2,
        // The whole field at the nearest depth; what is drawn next marks where targets count.
        cover = 3,
        // Writes on again, GL finished, offscreen framebuffer still bound.
        restore = 4,
    };
    static constexpr int queryCount = 256;

    virtual ~HitPasses() = default;

    // The framebuffer and queries exist; only then may the stages be used.
    virtual bool hitPassesReady() const = 0;
    virtual void pass(int stage) = 0;
    virtual void beginQuery(int slot) = 0;
    virtual void endQuery() = 0;
    // The pixels counted by the slot's last query; read only after restore or close.
    virtual unsigned pixelCount(int slot) = 0;
};
