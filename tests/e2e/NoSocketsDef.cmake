# cmake -DNM=... -DLIBRARY=libws2_32.a -DOUT=ws2_32.def -P NoSocketsDef.cmake:
# the module definition of NoSockets.cpp. It exports every name of Windows'
# ws2_32.dll, as mingw-w64's import library lists them, so that whichever
# module of the process imports from it still loads: WSAStartup fails as
# not ready, the rest fail alike.
execute_process(COMMAND ${NM} ${LIBRARY} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL " I __imp_[A-Za-z_][A-Za-z0-9_]*" imports "${symbols}")
set(names "")
foreach(import IN LISTS imports)
  string(REPLACE " I __imp_" "" name "${import}")
  list(APPEND names ${name})
endforeach()
list(REMOVE_DUPLICATES names)
list(REMOVE_ITEM names WSAStartup)
list(SORT names)
set(def "LIBRARY ws2_32.dll\nEXPORTS\n  WSAStartup=NotReady\n")
foreach(name IN LISTS names)
  string(APPEND def "  ${name}=Fails\n")
endforeach()
file(WRITE ${OUT} "${def}")
