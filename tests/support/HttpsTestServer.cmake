# The HTTPS server that network tests start on 127.0.0.1.
add_library(velmora_httpstest STATIC
    ${CMAKE_CURRENT_LIST_DIR}/httpstestserver.cpp ${CMAKE_CURRENT_LIST_DIR}/httpstestserver.h)
target_include_directories(velmora_httpstest PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(velmora_httpstest PUBLIC Qt::Core Qt::Network)
