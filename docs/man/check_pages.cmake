# Fails on anything mandoc counts as a warning or worse in any page, and, where man-db is
# installed, on any complaint of groff as the package checker calls it, so a page that reads
# well here reads well in every viewer.
#
#   cmake -DMANDOC=mandoc [-DMAN=man] -DPAGES=a.1,b.1 -P check_pages.cmake
foreach(required MANDOC PAGES)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "check_pages.cmake needs -D${required}=...")
    endif()
endforeach()

string(REPLACE "," ";" pages "${PAGES}")
set(failed FALSE)
foreach(page IN LISTS pages)
    # mandoc exits with 2 on a warning, 3 on an error, at this level.
    execute_process(
        COMMAND ${MANDOC} -Tlint -W warning ${page}
        OUTPUT_VARIABLE lint
        ERROR_VARIABLE lint
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0 OR NOT lint STREQUAL "")
        message(SEND_ERROR "mandoc finds fault with ${page} (status ${result}):\n${lint}")
        set(failed TRUE)
    endif()

    if(MAN)
        # man-db's preprocessor sandbox is refused in some containers; it guards nothing here.
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANROFFSEQ= MANWIDTH=80 MAN_DISABLE_SECCOMP=1
                    ${MAN} --warnings -E UTF-8 -l -Tutf8 -Z ${page}
            OUTPUT_QUIET
            ERROR_VARIABLE complaints
            RESULT_VARIABLE result)
        if(NOT result EQUAL 0 OR NOT complaints STREQUAL "")
            message(SEND_ERROR "man cannot render ${page} cleanly (status ${result}):\n${complaints}")
            set(failed TRUE)
        endif()
    endif()
endforeach()

if(failed)
    message(FATAL_ERROR "The manual pages need fixing.")
endif()
