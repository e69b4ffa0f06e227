// The housecall: one HTTP GET announcing the game to its endpoint at start-up
// (only when vx_Velmar_Quen_On_Allow is 1, which the shipped game never sets)
// and the completion that keeps the reply. Relies on net/ HTTP and runtime/ output.
#include "game/app.h"
#include "runtime/errors.h"

void c_MyApp::p_GetURL(String url, String query) {
  m_httpResult = String("N/A");
  c_HttpRequest* request = gc_new<c_HttpRequest>()->m_new();
  request->p_Open(String("GET"), url + String("?") + query, this);
  gc_assign(m_httpRequest, request);
  m_httpRequest->p_Send();
  vxPrint(String("Requesting URL"));
  m_httpDone = 0;
}

void c_MyApp::p_OnHttpRequestComplete(c_HttpRequest* request) {
  if (request != m_httpRequest) return;
  vxPrint(String("Http GET complete! ") + String(request->p_Status()));
  m_httpDone = 1;
  m_httpResult = request->p_ResponseText();
  if (m_httpResult.Length() > 0) vx_Velmar_Quen_On_Able = 1;
}
