#!/usr/bin/env python3
"""Sample release-history service for the demonstration installation.

Answers POST /services/index.php/aplicativolog/listar (form fields "programa" and "form")
with a small JSON history, on 127.0.0.1 only. With --watch-pid it ends when that process
ends (scripts/run passes the program's process id).

    python3 scripts/logservice.py --port 18728 [--watch-pid PID]
"""
import argparse
import json
import os
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

CAMINHO = "/services/index.php/aplicativolog/listar"

HISTORICO = [
    {"versao": 6731, "data": "02/12/2024", "empresa": "",
     "descricao": "<h3>Versão 6731</h3><ul><li>Relatório de pares por terceirizado e mês.</li>"
                  "<li>Leitura de etiquetas com código de barras de 14 dígitos.</li></ul>"},
    {"versao": 6730, "data": "18/11/2024", "empresa": "CALÇADOS AURORA S/A",
     "descricao": "<h3>Versão 6730</h3><p>Regra de preço própria da Aurora.</p>"},
    {"versao": 6729, "data": "04/11/2024", "empresa": "CALÇADOS EXEMPLO LTDA",
     "descricao": "<h3>Versão 6729</h3><p>Aviso de programas em atraso ao gravar a <b>Saída</b>.</p>"},
    {"versao": 6728, "data": "21/10/2024", "empresa": "",
     "descricao": "<h3>Versão 6728</h3><ul><li>Contadores de pares do dia, do mês e em aberto.</li>"
                  "<li>Correções na devolução (<i>Retorno</i>) de sub-fichas.</li></ul>"},
    {"versao": 6720, "data": "09/09/2024", "empresa": "",
     "descricao": "<h3>Versão 6720</h3><p>Primeira versão da distribuição de serviços externos.</p>"},
]


class Tratador(BaseHTTPRequestHandler):
    server_version = "logservice/1"

    def log_message(self, formato, *args):  # quiet
        pass

    def _responder(self, status, corpo):
        dados = json.dumps(corpo, ensure_ascii=False).encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "application/json; charset=utf-8")
        self.send_header("Content-Length", str(len(dados)))
        self.end_headers()
        self.wfile.write(dados)

    def do_POST(self):
        if self.path != CAMINHO:
            self._responder(404, {"success": False, "message": "Caminho desconhecido."})
            return
        tamanho = int(self.headers.get("Content-Length") or 0)
        campos = urllib.parse.parse_qs(self.rfile.read(tamanho).decode("utf-8", "replace"))
        programa = (campos.get("programa") or [""])[0]
        if programa != "KWX":
            self._responder(200, {"success": False, "message": f"Programa \"{programa}\" sem histórico."})
            return
        self._responder(200, {"success": True, "message": "", "result": HISTORICO})

    def do_GET(self):
        self._responder(405, {"success": False, "message": "Use POST."})


def vigiar(pid, servidor):
    while True:
        time.sleep(2)
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            servidor.shutdown()
            return
        except PermissionError:
            pass


def main():
    a = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    a.add_argument("--port", type=int, default=18728)
    a.add_argument("--watch-pid", type=int, default=0)
    args = a.parse_args()
    try:
        servidor = ThreadingHTTPServer(("127.0.0.1", args.port), Tratador)
    except OSError as e:  # already running (another copy of the demo) or port taken
        print(f"logservice: porta {args.port} indisponível: {e}")
        return
    if args.watch_pid:
        threading.Thread(target=vigiar, args=(args.watch_pid, servidor), daemon=True).start()
    servidor.serve_forever()


if __name__ == "__main__":
    main()
