// Reading the source, and the rule that no output ever replaces it. A listing
// is the source's name with ".txt", so assembling "prog.txt" would write the
// listing over the source; "prog.prg" without the address in object names
// would get its object file over it. Such a run is refused before anything is
// opened, and so is one whose source cannot be read: it leaves no file behind.
#include "asm/assembler.h"

namespace brimwick::assembler {

bool Assembler::readSource(const std::string& sourcePath) {
    std::string failure;
    switch (files_->readSource(sourcePath, kMaxSourceSize, source_, failure)) {
        case SourceRead::Read:
            sourceLength_ = static_cast<std::int32_t>(source_.size());
            return true;
        case SourceRead::Unreadable:
            refuse("can't read source file", failure);
            return false;
        case SourceRead::TooLarge:
            refuse("source file larger than 64 MiB", failure);
            return false;
    }
    return false;
}

bool Assembler::outputsSpareTheSource(const std::string& sourcePath) {
    if (files_->sameFile(listingPath_, sourcePath)) {
        refuse("the listing would replace the source file", listingPath_);
        return false;
    }
    if (!options_.addressInObjectName) {
        // Every segment goes to this one name. (With the address in the name
        // the object files are checked as they are written.)
        const std::string objectPath = basePath_ + std::string(kObjectExtension);
        if (files_->sameFile(objectPath, sourcePath)) {
            refuse("the object file would replace the source file", objectPath);
            return false;
        }
    }
    const std::string& labels = options_.labelPath;
    if (!labels.empty()) {
        if (files_->sameFile(labels, sourcePath)) {
            refuse("the label file would replace the source file", labels);
            return false;
        }
        if (files_->sameFile(labels, listingPath_)) {
            refuse("the label file would replace the listing", labels);
            return false;
        }
    }
    return true;
}

void Assembler::refuse(std::string_view text, std::string_view detail) {
    refused_ = true;
    source_.clear();
    // Counted as an error, so that the run is never taken for a success.
    ++errorCount_;
    if (messageSink_) messageSink_({MessageKind::Error, 0, text, 0, true, detail});
}

}  // namespace brimwick::assembler
