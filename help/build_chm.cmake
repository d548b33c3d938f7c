# Compiles Quillot.chm; run with cmake -P from help/CMakeLists.txt.
#
# The sources are kept in UTF-8 so they read well in any editor. The help viewer of a Chinese
# Windows reads pages, contents and index in the system code page (GBK, 936), so every text
# source is converted to GBK in a staging folder, its charset declaration rewritten to match,
# and chmcmd compiles the staged copy.
#
# Inputs: SRC_DIR (help/), STAGE_DIR (scratch folder, recreated), OUTPUT (the .chm to produce),
# CHMCMD and ICONV (programs).

foreach(var SRC_DIR STAGE_DIR OUTPUT CHMCMD ICONV)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "build_chm.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${STAGE_DIR}")
file(MAKE_DIRECTORY "${STAGE_DIR}/htmls")

file(GLOB pages RELATIVE "${SRC_DIR}" "${SRC_DIR}/htmls/*")
set(sources Quillot.hhp Quillot.hhc Quillot.hhk ${pages})

foreach(rel IN LISTS sources)
  set(src "${SRC_DIR}/${rel}")
  set(dst "${STAGE_DIR}/${rel}")
  if(NOT rel MATCHES "\\.(htm|html|hhc|hhk|hhp|css)$")
    file(COPY "${src}" DESTINATION "${STAGE_DIR}/htmls")  # pictures and the like: bytes as they are
    continue()
  endif()
  file(READ "${src}" text)
  string(REPLACE "charset=utf-8" "charset=gb2312" text "${text}")
  file(WRITE "${dst}.utf8" "${text}")
  execute_process(COMMAND "${ICONV}" -f UTF-8 -t GBK "${dst}.utf8"
                  OUTPUT_FILE "${dst}" ERROR_VARIABLE err RESULT_VARIABLE rc)
  file(REMOVE "${dst}.utf8")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${rel}: cannot be converted to GBK (a character outside code page 936?): ${err}")
  endif()
endforeach()

execute_process(COMMAND "${CHMCMD}" Quillot.hhp
                WORKING_DIRECTORY "${STAGE_DIR}"
                OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT EXISTS "${STAGE_DIR}/Quillot.chm")
  message(FATAL_ERROR "chmcmd failed (exit ${rc}):\n${log}")
endif()
# chmcmd reports broken links only as messages; treat them as the errors they are. Its anchor
# check misses every anchor of a page in a sub-folder (chmcmd 3.2.2), so each anchor it calls
# undefined is looked up here instead, and only a truly missing one fails the build.
string(REPLACE "\n" ";" lines "${log}")
set(problems "")
foreach(line IN LISTS lines)
  if(line MATCHES "^Error: Anchor ([^#]+)#([^ ]+) undefined")
    set(page "${STAGE_DIR}/${CMAKE_MATCH_1}")
    set(anchor "${CMAKE_MATCH_2}")
    set(text "")
    if(EXISTS "${page}")
      file(READ "${page}" text)
    endif()
    if(NOT text MATCHES "(name|id)=\"${anchor}\"")
      string(APPEND problems "${line}\n")
    endif()
  elseif(line MATCHES "^(Error|Warning)")
    string(APPEND problems "${line}\n")
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "chmcmd reported problems in the help sources:\n${problems}")
endif()

get_filename_component(out_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${out_dir}")
file(RENAME "${STAGE_DIR}/Quillot.chm" "${OUTPUT}")
