cmake_minimum_required(VERSION 3.25)
# Writes OUTPUT (palshift.1.gz) with help2man from PALSHIFT's --help and --version, so that the page
# lists the options the program has; INCLUDE adds what --help does not say.
get_filename_component(page "${OUTPUT}" NAME_WLE)
get_filename_component(folder "${OUTPUT}" DIRECTORY)
execute_process(
    COMMAND "${HELP2MAN}" --no-info --section=1 --include=${INCLUDE} --output=${folder}/${page}
            "--name=convert pictures from the Diablo 1 palette to the Diablo 2 palette" "${PALSHIFT}"
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "help2man ${PALSHIFT}: ${failed}")
endif()
# -n leaves the time out of the archive, so that the same page gives the same bytes.
execute_process(COMMAND gzip -9nf "${folder}/${page}" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "gzip ${folder}/${page}: ${failed}")
endif()
