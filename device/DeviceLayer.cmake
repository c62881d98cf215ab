# velmora_device: the serial link and USB device discovery. QtSerialPort on
# top of velmora_core; no widgets (message boxes come in through Prompt).
add_library(velmora_device STATIC
    ${CMAKE_CURRENT_LIST_DIR}/devicescan.cpp ${CMAKE_CURRENT_LIST_DIR}/devicescan.h
    ${CMAKE_CURRENT_LIST_DIR}/devicewatcher.cpp ${CMAKE_CURRENT_LIST_DIR}/devicewatcher.h
    ${CMAKE_CURRENT_LIST_DIR}/serialport.cpp ${CMAKE_CURRENT_LIST_DIR}/serialport.h
    ${CMAKE_CURRENT_LIST_DIR}/serialportlist.cpp ${CMAKE_CURRENT_LIST_DIR}/serialportlist.h
    ${CMAKE_CURRENT_LIST_DIR}/usbdevicequery.cpp ${CMAKE_CURRENT_LIST_DIR}/usbdevicequery.h
    # Portable, so that the instance-ID split is tested on every platform.
    ${CMAKE_CURRENT_LIST_DIR}/win32/instanceid.cpp ${CMAKE_CURRENT_LIST_DIR}/win32/instanceid.h
)
if(WIN32)
    target_sources(velmora_device PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/usbdevicequery_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/win32/setupapiquery.cpp
        ${CMAKE_CURRENT_LIST_DIR}/win32/setupapiquery.h
    )
    target_link_libraries(velmora_device PRIVATE setupapi cfgmgr32)
else()
    target_sources(velmora_device PRIVATE ${CMAKE_CURRENT_LIST_DIR}/usbdevicequery_linux.cpp)
endif()
target_link_libraries(velmora_device PUBLIC velmora_core Qt5::SerialPort)
