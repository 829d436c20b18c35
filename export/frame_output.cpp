#include "export/frame_output.h"

#include "export/video_writer.h"

std::unique_ptr<FrameOutput> makeFrameOutput(const std::string& out, const std::string& shown, int fps,
                                             bool overwrite, const std::string& music) {
    if (videoFormat(out) != VideoFormat::None) return videoFileOutput(out, shown, fps, music);
    if (out == "-") return y4mStreamOutput(fps);
    return pngFolderOutput(out, shown, overwrite);
}
