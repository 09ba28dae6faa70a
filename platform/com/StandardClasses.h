#pragma once
// The classes that the COM runtime itself provides: the global interface table and the
// component-categories manager.

#include "platform/com/ComBaseApi.h"

// CLASS_E_CLASSNOTAVAILABLE for a class that is not one of them.
HRESULT GetStandardClassObject(REFCLSID rclsid, REFIID riid, void** ppv);

// The creators behind the class objects.
HRESULT GetGlobalInterfaceTable(REFIID riid, void** ppv);
HRESULT CreateComponentCategoriesManager(REFIID riid, void** ppv);
