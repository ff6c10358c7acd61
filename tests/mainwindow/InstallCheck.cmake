# Installs the build under a scratch prefix and checks what the desktop gets: the entry passes
# desktop-file-validate and opens BIG archives, the MIME package declares them (glob and magic)
# and builds into a MIME database, and the icon is there in every size as a PNG of that size.
# cmake -DBUILD=<build folder> -DPREFIX=<scratch folder> -DVALIDATE=<desktop-file-validate>
#       -DMIMEDB=<update-mime-database> -P InstallCheck.cmake
cmake_minimum_required(VERSION 3.21)

function(fail what)
  message(FATAL_ERROR "${what}")
endfunction()

if(NOT VALIDATE OR NOT MIMEDB)
  fail("desktop-file-validate or update-mime-database is missing (scripts/install-deps.sh)")
endif()
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  fail("cmake --install failed")
endif()

set(entry ${PREFIX}/share/applications/vantor.desktop)
execute_process(COMMAND ${VALIDATE} ${entry} RESULT_VARIABLE failed OUTPUT_VARIABLE said
                ERROR_VARIABLE said)
if(failed)
  fail("desktop-file-validate: ${said}")
endif()
file(STRINGS ${entry} lines)
foreach(expected "Exec=vantor %f" "Icon=vantor" "MimeType=application/x-big-archive;")
  if(NOT expected IN_LIST lines)
    fail("the desktop entry lacks ${expected}")
  endif()
endforeach()

execute_process(COMMAND ${MIMEDB} ${PREFIX}/share/mime RESULT_VARIABLE failed
                ERROR_VARIABLE said)
if(failed OR NOT EXISTS ${PREFIX}/share/mime/application/x-big-archive.xml)
  fail("the MIME package does not build: ${said}")
endif()
file(READ ${PREFIX}/share/mime/globs2 globs)
file(READ ${PREFIX}/share/mime/magic magic HEX)
# The type's rule: at offset 0, the 4 bytes "BIGF".
string(HEX "[50:application/x-big-archive]\n>0=" rule)
string(HEX "BIGF" signature)
if(NOT globs MATCHES "application/x-big-archive:\\*\\.big" OR
   NOT magic MATCHES "${rule}0004${signature}")
  fail("the MIME type lacks the glob *.big or the magic BIGF at offset 0")
endif()

foreach(size 16 24 32 48 64 128 256)
  set(png ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/vantor.png)
  if(NOT EXISTS ${png})
    fail("no ${size} pixel icon")
  endif()
  # The PNG signature, then the IHDR chunk with the width and the height, big-endian.
  file(READ ${png} head HEX LIMIT 24)
  string(SUBSTRING "${head}" 32 8 width)
  string(SUBSTRING "${head}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT head MATCHES "^89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
    fail("${png} is not a ${size} x ${size} PNG")
  endif()
endforeach()
