#!/usr/bin/env python3
"""A TCP proxy that holds every byte back a fixed time in each direction.

Put in front of an FTP server's control port it makes the server as far away
as a real host: a command and its reply each take DELAY_MS on their way, so a
round trip costs twice that. Data connections do not go through it (the
server's PASV replies name its own address), which is what a client sees on a
real link too when the data moves in bulk: the latency that counts is the one
paid per command.

Usage: delay_proxy.py UPSTREAM_PORT DELAY_MS READY_FILE
Listens on a free port of 127.0.0.1, forwards to 127.0.0.1:UPSTREAM_PORT, and
writes its own port into READY_FILE once it listens. Runs until killed.
"""
import asyncio
import os
import socket
import sys


def no_delay(writer):
    sock = writer.get_extra_info("socket")
    if sock is not None:
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)


async def forward(reader, writer, delay):
    """Copies reader to writer, each piece delivered `delay` seconds after it
    arrived, in order; an end of stream is passed on the same way."""
    loop = asyncio.get_running_loop()
    pieces = asyncio.Queue()

    async def take():
        while True:
            data = await reader.read(65536)
            pieces.put_nowait((loop.time() + delay, data))
            if not data:
                return

    async def give():
        while True:
            due, data = await pieces.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if not data:
                if writer.can_write_eof():
                    writer.write_eof()
                return
            writer.write(data)
            await writer.drain()

    await asyncio.gather(take(), give())


async def serve(client_reader, client_writer, upstream_port, delay):
    try:
        server_reader, server_writer = await asyncio.open_connection("127.0.0.1", upstream_port)
    except OSError:
        client_writer.close()
        return
    no_delay(client_writer)
    no_delay(server_writer)
    try:
        await asyncio.gather(forward(client_reader, server_writer, delay),
                             forward(server_reader, client_writer, delay))
    except (ConnectionError, OSError):
        pass
    finally:
        for writer in (client_writer, server_writer):
            writer.close()


async def main():
    upstream_port, delay_ms, ready_file = int(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
    delay = delay_ms / 1000.0
    server = await asyncio.start_server(lambda r, w: serve(r, w, upstream_port, delay), "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    with open(ready_file + ".tmp", "w") as out:
        out.write(f"{port}\n")
    os.replace(ready_file + ".tmp", ready_file)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main())
