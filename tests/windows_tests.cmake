# What of the tests the Windows build leaves out, each with its reason; everything else is built
# and run under wine by scripts/cross-test. The shared helpers get the few POSIX calls they make
# from tests/windows/posix_compat.h there, but nothing stands in for fork.
set(QUILLBOX_WINDOWS_SKIPPED_TESTS
    # The command-line tests run quillbox-cli through posix_spawn and a pseudo-terminal; the
    # cross-test script runs the README's session with the Windows program instead.
    cli/*
    # The crash enumerations and the model check's second writing process fork the test.
    faults/*
    modelcheck/*
)
# Test cases (GoogleTest names) left out of an otherwise built program.
set(QUILLBOX_WINDOWS_SKIPPED_CASES
    # Each stops a forked child dead at every file operation.
    CrossFormatTest.FailedOrInterruptedFolderMoveNeverLosesAMessage
    MailboxRegistry.WritesAreAllOrNothingUnderEveryFault
    RegistryFileTest.AWriteIsAllOrNothingUnderEveryFault
    InternetFaults.AddMessage InternetFaults.Compact InternetFaults.CopyFolder
    InternetFaults.RemoveMessage InternetFaults.Rename
    NetscapeFaults.AddMessage NetscapeFaults.Compact NetscapeFaults.CopyFolder
    NetscapeFaults.RemoveMessage NetscapeFaults.Rename NetscapeFaults.UndeleteMessages
    # A forked process holds the lock or writes at the same time.
    RegistryFileTest.AWriterGivesUpWithoutWritingWhileAnotherHoldsTheLock
    RegistryFileTest.ConcurrentWritersLoseNoUpdate
    ConcurrentUseTest.ManyProcessesAddingDeletingAndCompactingLoseNothing
    # The POSIX default (HOME, XDG_CONFIG_HOME); windows_test.cpp checks the Windows one.
    RegistryFileTest.DefaultPathFollowsTheEnvironment
)
string(JOIN ":" filter ${QUILLBOX_WINDOWS_SKIPPED_CASES})
file(WRITE ${CMAKE_BINARY_DIR}/windows-skipped-cases.txt "${filter}\n")

# Removes from `sources_var` (the sources of tests/DIR) what the list above leaves out.
function(quillbox_windows_test_sources dir sources_var)
    set(kept)
    foreach(source ${${sources_var}})
        file(RELATIVE_PATH relative ${CMAKE_CURRENT_SOURCE_DIR} ${source})
        set(skip FALSE)
        foreach(pattern ${QUILLBOX_WINDOWS_SKIPPED_TESTS})
            string(REGEX REPLACE "\\*$" "" prefix ${pattern})
            string(FIND ${relative} ${prefix} at)
            if(at EQUAL 0)
                set(skip TRUE)
            endif()
        endforeach()
        if(NOT skip)
            list(APPEND kept ${source})
        endif()
    endforeach()
    set(${sources_var} ${kept} PARENT_SCOPE)
endfunction()
