#include "field/form1.h"

#include <utility>

namespace zelto {

namespace {

/// Stands in when no host is given: the box is answered at once.
class AbsentHost final : public Host {
public:
    void showMessage(std::string_view, std::string_view) override {}
};

/// Stands in when no record file is given: nothing is kept.
class AbsentRecord final : public RecordStore {
public:
    std::string read() override { return {}; }
    bool write(std::string_view) override { return false; }
};

} // namespace

Form1::Form1(Clock& clock, const Form1Setup& setup)
    : host_(setup.host), record_(setup.record), handlers_(setup.handlers),
      timers_(clock, [this](std::size_t index) {
          if (handlers_ && handlers_->tick[index])
              handlers_->tick[index](*this);
      }) {
    static AbsentHost absentHost;
    static AbsentRecord absentRecord;
    if (!host_)
        host_ = &absentHost;
    if (!record_)
        record_ = &absentRecord;
    for (const Form1Object& object : kForm1Objects) {
        if (const auto* timer = std::get_if<Timer Form1::*>(&object.member))
            timers_.add(this->**timer);
        if (const auto* control = std::get_if<MMControl Form1::*>(&object.member))
            (this->**control).connect(object.name, setup.sound, host_, setup.waveFolder);
    }
}

void Form1::assignPicture(Image& image, const PictureStore& picture) {
    image.picture = &picture;
    const ArtworkInfo& info = artworkInfo(picture.art);
    image.width = static_cast<float>(info.widthPx * kTwipsPerPixel);
    image.height = static_cast<float>(info.heightPx * kTwipsPerPixel);
}

void Form1::setLabel1Caption(std::string caption) {
    Label1.caption = std::move(caption);
    if (handlers_ && handlers_->label1Change)
        handlers_->label1Change(*this);
}

const Form1Object* findObject(std::string_view name) {
    for (const Form1Object& object : kForm1Objects) {
        if (object.name == name)
            return &object;
    }
    return nullptr;
}

} // namespace zelto
