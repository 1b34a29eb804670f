# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the package's tree, installed
# under CPACK_TEMPORARY_DIRECTORY: compresses the manual pages as Debian
# keeps them, and adds /usr/share/doc/zarvon/{copyright,changelog.gz}.
# gzip -n leaves the time stamp out, so that two builds give the same bytes.
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_DIRECTORY}/*/share/man/man1/*.1")
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9 -n -f ${page} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${page} failed")
  endif()
endforeach()
set(doc "${CPACK_TEMPORARY_DIRECTORY}/usr/share/doc/zarvon")
file(MAKE_DIRECTORY ${doc})
file(COPY "${CPACK_ZARVON_DEBIAN_FILES}/copyright" DESTINATION ${doc}
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
execute_process(COMMAND gzip -9 -n -c "${CPACK_ZARVON_DEBIAN_FILES}/changelog" OUTPUT_FILE "${doc}/changelog.gz")
