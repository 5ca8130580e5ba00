# Renders one manual page as HTML that needs nothing beyond its folder: mandoc writes its style
# sheet into the page when no -Ostyle names one.
#
# mandoc links cross-references only in mdoc pages; in man(7) "merolan-cli(1)" is plain bold
# text. The siblings' HTML lies in the same folder, so the mentions of them become relative
# links here, which work from the build tree, the installed folder and a copy alike.
#
#   cmake -DMANDOC=mandoc -DPAGE=merolan.1 -DOUTPUT=merolan.html -DSIBLINGS=a,b -P render_html.cmake
foreach(required MANDOC PAGE OUTPUT SIBLINGS)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "render_html.cmake needs -D${required}=...")
    endif()
endforeach()

execute_process(
    COMMAND ${MANDOC} -Thtml ${PAGE}
    OUTPUT_VARIABLE html
    ERROR_VARIABLE errors
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "mandoc could not render ${PAGE} (status ${result}):\n${errors}")
endif()

get_filename_component(own_name ${PAGE} NAME_WLE)
string(REPLACE "," ";" siblings "${SIBLINGS}")
foreach(name IN LISTS siblings)
    if(NOT name STREQUAL own_name)
        string(REPLACE "<b>${name}</b>(1)" "<a class=\"Xr\" href=\"${name}.html\"><b>${name}</b>(1)</a>"
                       html "${html}")
    endif()
endforeach()

# A build stopped halfway must not leave a page that looks finished.
file(WRITE "${OUTPUT}.part" "${html}")
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
