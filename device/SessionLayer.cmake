# The connection to a device: identification, query schedule, feedback wiring.
if(TARGET velmora_device)
    target_sources(velmora_device PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/devicesession.cpp
        ${CMAKE_CURRENT_LIST_DIR}/devicesession.h)
endif()
