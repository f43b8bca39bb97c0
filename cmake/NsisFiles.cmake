# cmake -DSTAGE=folder -DOUT=folder -P NsisFiles.cmake: writes install.nsh and
# uninstall.nsh into OUT, the NSIS lines that install every file under STAGE
# and remove exactly those again. The uninstaller removes what it installed
# and nothing else, so a folder the user chose that held files of his own
# keeps them.
file(GLOB_RECURSE files RELATIVE ${STAGE} ${STAGE}/*)
list(SORT files)
set(install "")
set(uninstall "")
set(folders "")
foreach(file IN LISTS files)
  get_filename_component(folder ${file} DIRECTORY)
  string(REPLACE "/" "\\" windows_file "${file}")
  string(REPLACE "/" "\\" windows_folder "${folder}")
  if(folder)
    string(APPEND install "SetOutPath \"$INSTDIR\\${windows_folder}\"\n")
  else()
    string(APPEND install "SetOutPath \"$INSTDIR\"\n")
  endif()
  string(APPEND install "File \"${STAGE}/${file}\"\n")
  string(APPEND uninstall "Delete \"$INSTDIR\\${windows_file}\"\n")
  # The folder and every folder above it.
  while(folder)
    string(REPLACE "/" "\\" windows_folder "${folder}")
    list(APPEND folders "${windows_folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
list(REMOVE_DUPLICATES folders)
# The deepest first: a folder goes once it is empty.
list(SORT folders)
list(REVERSE folders)
foreach(folder IN LISTS folders)
  string(APPEND uninstall "RMDir \"$INSTDIR\\${folder}\"\n")
endforeach()
file(WRITE ${OUT}/install.nsh "${install}")
file(WRITE ${OUT}/uninstall.nsh "${uninstall}")
