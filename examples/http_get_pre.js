// The HTTP GET example's page takes the URL from its own address, where the
// desktop program takes its first argument:
//   examples/http_get.html?url=http://127.0.0.1:8000/hello.txt
// The server must allow the page's origin (CORS), or the request fails (-1).
(function () {
  var url = new URLSearchParams(location.search).get('url');
  if (url) Module['arguments'] = [url];
})();
