// The TagLib peer of `qel mp3 DIR`, as a whole process: walks the folder tree, reads the
// tags and audio properties of every *.mp3 file with TagLib and prints a line for each,
// then the count. Usage: mp3peer_taglib FOLDER

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mp3peer_taglib FOLDER\n");
        return 2;
    }
    const fs::path root(argv[1]);
    long count = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end;
         it.increment(error)) {
        std::string ext = it->path().extension().string();
        for (char &c : ext)
            c = char(c | 0x20);
        if (ext != ".mp3" || !it->is_regular_file())
            continue;
        TagLib::FileRef file(it->path().c_str(), true, TagLib::AudioProperties::Fast);
        const TagLib::Tag *tag = file.tag();
        const TagLib::AudioProperties *audio = file.audioProperties();
        const std::string relative = it->path().lexically_relative(root).string();
        std::printf(
            "%s\t%u\t%s\t%s\t%s\t%s\t%lld\t%d\t%d kbps\n", relative.c_str(),
            tag ? tag->track() : 0u, tag ? tag->title().toCString(true) : "",
            tag ? tag->artist().toCString(true) : "", tag ? tag->album().toCString(true) : "",
            tag ? tag->genre().toCString(true) : "", static_cast<long long>(it->file_size()),
            audio ? audio->lengthInSeconds() : 0, audio ? audio->bitrate() : 0);
        ++count;
    }
    std::printf("%ld MP3 files\n", count);
    return error ? 1 : 0;
}
