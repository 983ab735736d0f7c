// The life of the play field: the program-wide reference to Form1, its start-up and close.
#pragma once

#include "field/form1.h"
#include "scoring/record_file.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace zelto {

/// The code behind Form1: every tick handler and the score label's change handler.
extern const Form1Handlers kForm1Handlers;

/// Start-up of a fresh Form1, in order: the ship's picture, the enemies' pictures,
/// ImgAlieno's, the music, the two other aliens' pictures, then the best score from the
/// record file into Label4. It moves nothing and touches no timer.
void Form1_Form_Load(Form1& form);

/// Holds at most one play field. Showing it when there is none creates a fresh Form1 from
/// the design and runs its start-up; showing it again changes nothing. Closing releases it,
/// so the next show starts a new game. The clock and the record file are the program's and
/// outlive every game: what the record file could not read stays unwritten for the whole run.
class PlayField {
public:
    /// The record file "record.dat" in `recordFolder` keeps the best score.
    PlayField(Host& host, SoundDevice& sound, std::filesystem::path recordFolder,
              std::filesystem::path waveFolder);
    /// The best score is kept in `record`, which outlives the field.
    PlayField(Host& host, SoundDevice& sound, RecordStore& record,
              std::filesystem::path waveFolder);
    ~PlayField();
    PlayField(const PlayField&) = delete;
    PlayField& operator=(const PlayField&) = delete;

    /// Shows the play field; returns true when this created a new game.
    bool show();
    /// Closes the play field (its close handler only releases it). From inside one of its
    /// handlers (a message box is open) the field is released once the handler has returned.
    void close();
    bool isOpen() const { return form_ != nullptr; }
    Form1* form() { return form_.get(); }
    const Form1* form() const { return form_.get(); }

    /// A typed character for the key handler; the quit key closes the field afterwards.
    void keyPress(int code);
    /// Runs every tick due by `ms` (see TimerService::advanceTo).
    void advanceTo(std::int64_t ms);
    /// Lets virtual time pass up to `ms`, every tick at its own due time (see
    /// TimerService::stepTo).
    void stepTo(std::int64_t ms);
    std::optional<std::int64_t> nextDue() const;
    std::int64_t now() const { return clock_.now; }
    /// Sets the clock to `ms`, earlier or later, while no field is open: a recorded game is
    /// played back at the times it was played.
    void restartClock(std::int64_t ms);

    /// Told of the field as it stands just before a close releases it.
    void setClosing(std::function<void(const Form1&)> closing) { closing_ = std::move(closing); }
    const RecordStore& recordStore() const { return *setup_.record; }

private:
    void release();

    /// Runs `call` on the open field, then releases the field if it asked to close and no
    /// handler is running any more.
    template <typename Call>
    void run(Call call);

    Clock clock_;
    std::unique_ptr<RecordFile> ownRecord_; // when the field keeps its own record file
    Form1Setup setup_;
    std::unique_ptr<Form1> form_;
    int depth_ = 0; // calls into the field under way, nested ones included
    std::function<void(const Form1&)> closing_;
};

} // namespace zelto
