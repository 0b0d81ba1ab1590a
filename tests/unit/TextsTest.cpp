#include "restore/Texts.h"

#include <gmock/gmock.h>

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::uint32_t kSharingViolation = 32;

// Whom the advice for a held file names: the mail client only for a file under a
// restored name or in the archive, which it may have open; for a copy in the
// directory for unfinished copies, which it never opens, another program.
TEST(WithHeldFileAdvice, NamesWhoeverCanHoldTheFile) {
    for (const auto& [step, mailClient] :
         {std::pair{Step::CopyMessage, true}, std::pair{Step::SetIndexAside, true},
          std::pair{Step::TakeIndexOut, true}, std::pair{Step::MoveNewMailIn, true},
          std::pair{Step::WriteFolderId, false}, std::pair{Step::MoveMessageIn, false},
          std::pair{Step::PutBack, false}, std::pair{Step::RemoveLeftover, false}}) {
        SCOPED_TRACE(static_cast<int>(step));
        EXPECT_THAT(WithHeldFileAdvice("x", {step, kSharingViolation, "BAK00001.PMM"}),
                    mailClient ? HasSubstr("close the folder in the mail client")
                               : HasSubstr("such as a virus scanner or a sync program"));
    }
    EXPECT_EQ(WithHeldFileAdvice("no room", {Step::CopyMessage, 112, "BAK00001.PMM"}), "no room");
}

// What a failed folder's line says became of the folder.
TEST(FolderFailureText, SaysWhatBecameOfTheFolder) {
    const StepFailure moveIn{Step::MoveMessageIn, 59, "BAK00001.PMM"};
    EXPECT_EQ(FolderFailureText(moveIn, "An unexpected network error occurred.", nullptr, ""),
              "the new message file could not take the name BAK00001.PMM (An unexpected network "
              "error occurred.); the folder in the destination was left as it was");

    StepFailure unsure = moveIn;
    unsure.unsure = true;
    EXPECT_THAT(FolderFailureText(unsure, "x", nullptr, ""),
                AllOf(HasSubstr("whether it was done could not be told"),
                      HasSubstr("the next restore into this directory tries again"),
                      Not(HasSubstr("left as it was"))));

    const StepFailure putBack{Step::PutBack, 5, "bak00001.pmi"};
    EXPECT_EQ(FolderFailureText(moveIn, "a", &putBack, "Access is denied."),
              "the new message file could not take the name BAK00001.PMM (a); then the earlier "
              "bak00001.pmi could not be put back from .tarnwick-tmp (Access is denied.), and the "
              "next restore into this directory tries again");

    // Before any name changes, there is nothing to put back.
    EXPECT_EQ(FolderFailureText({Step::CopyMessage, 112, "BAK00001.PMM"},
                                "There is not enough space on the disk.", nullptr, ""),
              "There is not enough space on the disk.");
}

TEST(CutOffFolderText, PromisesAnotherTryOnlyWhereTheNextRunMakesOne) {
    EXPECT_THAT(CutOffFolderText({Step::PutBack, 5, "bak00001.pmm"}, "Access is denied."),
                EndsWith("; the next restore into this directory tries again"));
    for (const Step kept : {Step::KeepAside, Step::KeepIndex}) {
        EXPECT_THAT(CutOffFolderText({kept, 0, "bak00001.pmi"}, ""), Not(HasSubstr("tries again")));
    }
}

} // namespace
