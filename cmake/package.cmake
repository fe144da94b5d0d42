# Lays out the program as a user runs it and packs it twice, an installer and a portable zip, with
# a checksum file beside them. Run by the 'dist' target:
#   cmake -DEXE=... -DASSETS=... -DVERSION=... -DVERSION4=... -DPACKAGE=ozl-0.3[-x64]
#         -DNSIS_TARGET=x86-unicode|amd64-unicode -DMAKENSIS=... -DNSI=... -DOUT=... -P package.cmake
# in a working folder of its own, where the laid-out program is made as OZL/.
cmake_minimum_required(VERSION 3.25)

if(NOT MAKENSIS)
  message(FATAL_ERROR "makensis is missing: scripts/install-deps installs it (Debian package nsis)")
endif()

# The folder a user unpacks: the exe, its icons and sounds, and an empty HISTORY\. No readme.txt:
# the program writes it at its first start.
set(stage "${CMAKE_CURRENT_BINARY_DIR}/OZL")
file(REMOVE_RECURSE "${stage}")
file(MAKE_DIRECTORY "${stage}/HISTORY")
file(COPY "${EXE}" "${ASSETS}/design" "${ASSETS}/sound" DESTINATION "${stage}")

file(MAKE_DIRECTORY "${OUT}")
set(setup "${PACKAGE}-setup.exe")
set(portable "${PACKAGE}-portable.zip")
file(REMOVE "${OUT}/${setup}" "${OUT}/${portable}")

file(ARCHIVE_CREATE OUTPUT "${OUT}/${portable}" PATHS OZL FORMAT zip)

execute_process(
  COMMAND "${MAKENSIS}" -V2 -INPUTCHARSET UTF8 "-DVERSION=${VERSION}" "-DVERSION4=${VERSION4}"
          "-DTARGET=${NSIS_TARGET}" "-DSTAGE=${stage}" "-DICON=${ASSETS}/icon/app.ico" "-DOUTFILE=${OUT}/${setup}" "${NSI}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "makensis failed (${status})")
endif()

# One checksum file for every package of this version, 32- and 64-bit, in the form 'sha256sum -c'
# checks.
file(GLOB packages RELATIVE "${OUT}" "${OUT}/ozl-${VERSION}-*setup.exe" "${OUT}/ozl-${VERSION}-*portable.zip")
list(SORT packages)
set(sums "")
foreach(name IN LISTS packages)
  file(SHA256 "${OUT}/${name}" hash)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE "${OUT}/ozl-${VERSION}-sha256.txt" "${sums}")
