<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="zh_CN">
<!-- One table keyed by the Chinese texts: every class finds its texts in the context "Corvane". -->
<context>
    <name>Corvane</name>
    <message>
        <source>垃圾清理</source>
        <translation>Junk Clean</translation>
    </message>
    <message>
        <source>系统优化</source>
        <translation>Optimise</translation>
    </message>
    <message>
        <source>开机启动项</source>
        <translation>Startup Items</translation>
    </message>
    <message>
        <source>内存优化</source>
        <translation>Memory</translation>
    </message>
    <message>
        <source>进程管理</source>
        <translation>Processes</translation>
    </message>
    <message>
        <source>程序管理</source>
        <translation>Applications</translation>
    </message>
    <message>
        <source>应用卸载</source>
        <translation>Uninstall Apps</translation>
    </message>
    <message>
        <source>插件卸载</source>
        <translation>Plug-ins</translation>
    </message>
    <message>
        <source>配置文件</source>
        <translation>Preference Files</translation>
    </message>
    <message>
        <source>工具大全</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>重复文件查找</source>
        <translation>Duplicate Files</translation>
    </message>
    <message>
        <source>大文件清理</source>
        <translation>Large Files</translation>
    </message>
    <message>
        <source>系统信息</source>
        <translation>System Info</translation>
    </message>
    <message>
        <source>关于Corvane Tidewell</source>
        <translation>About Corvane Tidewell</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check for Updates</translation>
    </message>
    <message>
        <source>退出Corvane Tidewell</source>
        <translation>Quit Corvane Tidewell</translation>
    </message>
    <message>
        <source>本程序必须放在/Applications文件夹中执行</source>
        <translation>This program must be run from an Applications folder.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>此文件的内容与保留的文件不同。仍要删除吗？</source>
        <translation>This file's content differs from the copy that stays. Delete it anyway?</translation>
    </message>
    <message>
        <source>无法完整比较此文件与保留的文件。仍要删除吗？</source>
        <translation>This file could not be fully compared with the copy that stays. Delete it anyway?</translation>
    </message>
    <message>
        <source>官方网站</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>菜单</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>QQ群</source>
        <translation>Chat group</translation>
    </message>
    <message>
        <source>QQ群号%1已复制到剪贴板，欢迎加入我们的QQ群！</source>
        <translation>The chat group number %1 has been copied to the clipboard. Welcome to our group!</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>缩放</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>正在加载...</source>
        <translation>Loading...</translation>
    </message>
    <message>
        <source>我的%1</source>
        <translation>My %1</translation>
    </message>
    <message>
        <source>Chrome</source>
        <translation>Chrome</translation>
    </message>
    <message>
        <source>Cookies</source>
        <translation>Cookies</translation>
    </message>
    <message>
        <source>Safari</source>
        <translation>Safari</translation>
    </message>
    <message>
        <source>Version:%1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>下载历史</source>
        <translation>Download History</translation>
    </message>
    <message>
        <source>与保留的文件是同一个文件，不会删除</source>
        <translation>Same file as the copy that stays; it will not be deleted</translation>
    </message>
    <message>
        <source>保留</source>
        <translation>Kept</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>内容与保留的文件不同，不会作为重复文件删除</source>
        <translation>Content differs from the copy that stays; not deleted as a duplicate</translation>
    </message>
    <message>
        <source>内容与保留的文件不同，未删除</source>
        <translation>Content differs from the copy that stays; not deleted</translation>
    </message>
    <message>
        <source>内容相同</source>
        <translation>Identical</translation>
    </message>
    <message>
        <source>删除失败</source>
        <translation>Could not delete</translation>
    </message>
    <message>
        <source>删除失败，文件仍在原处</source>
        <translation>Could not delete; the file is still there</translation>
    </message>
    <message>
        <source>在文件管理器中显示</source>
        <translation>Show in the file manager</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>已清理垃圾</source>
        <translation>Junk removed</translation>
    </message>
    <message>
        <source>已选择清理</source>
        <translation>Selected</translation>
    </message>
    <message>
        <source>废纸篓</source>
        <translation>Trash</translation>
    </message>
    <message>
        <source>快速清理垃圾,给你更洁净的空间</source>
        <translation>Clear out junk quickly and get your space back</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>扫描</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>找到并迅速清除Mac上的大文件</source>
        <translation>Find and remove large files on this computer</translation>
    </message>
    <message>
        <source>找到并迅速清除Mac上的重复文件</source>
        <translation>Find and remove duplicate files on this computer</translation>
    </message>
    <message>
        <source>按文件大小排序</source>
        <translation>Sort by Size</translation>
    </message>
    <message>
        <source>按文件数量排序</source>
        <translation>Sort by Copies</translation>
    </message>
    <message>
        <source>按文件类别排序</source>
        <translation>Sort by Type</translation>
    </message>
    <message>
        <source>数量</source>
        <translation>Copies</translation>
    </message>
    <message>
        <source>无法完整比较内容，未默认勾选</source>
        <translation>Could not be fully compared; not selected</translation>
    </message>
    <message>
        <source>无法确认与保留的文件相同，未删除</source>
        <translation>Could not confirm it matches the copy that stays; not deleted</translation>
    </message>
    <message>
        <source>显示</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>最近的会话</source>
        <translation>Recent Sessions</translation>
    </message>
    <message>
        <source>最近的标签页</source>
        <translation>Recent Tabs</translation>
    </message>
    <message>
        <source>有 %1 个文件未能删除，原因见各行说明</source>
        <translation>%1 files could not be deleted; see the note on each row</translation>
    </message>
    <message>
        <source>未扫描出数据</source>
        <translation>Nothing found</translation>
    </message>
    <message>
        <source>未能清理</source>
        <translation>Not cleaned</translation>
    </message>
    <message>
        <source>检测到垃圾文件</source>
        <translation>Junk found</translation>
    </message>
    <message>
        <source>正在删除…</source>
        <translation>Deleting…</translation>
    </message>
    <message>
        <source>正在扫描...</source>
        <translation>Scanning...</translation>
    </message>
    <message>
        <source>正在校验…</source>
        <translation>Comparing…</translation>
    </message>
    <message>
        <source>正在清理...</source>
        <translation>Cleaning...</translation>
    </message>
    <message>
        <source>正在逐字节校验重复文件 %1/%2</source>
        <translation>Comparing duplicates byte by byte: %1 of %2</translation>
    </message>
    <message>
        <source>浏览/下载历史</source>
        <translation>Browsing and Download History</translation>
    </message>
    <message>
        <source>浏览历史</source>
        <translation>Browsing History</translation>
    </message>
    <message>
        <source>添加文件夹</source>
        <translation>Add Folder</translation>
    </message>
    <message>
        <source>清理</source>
        <translation>Clean</translation>
    </message>
    <message>
        <source>清理系统和应用程序的日志信息</source>
        <translation>Remove the log files of the system and applications</translation>
    </message>
    <message>
        <source>清理系统和应用程序的缓存文件</source>
        <translation>Remove the cache files of the system and applications</translation>
    </message>
    <message>
        <source>清理网页缓存、cookies、历史记录等</source>
        <translation>Remove web caches, cookies, history and more</translation>
    </message>
    <message>
        <source>清空列表</source>
        <translation>Clear List</translation>
    </message>
    <message>
        <source>用户日志</source>
        <translation>User Logs</translation>
    </message>
    <message>
        <source>用户缓存</source>
        <translation>User Caches</translation>
    </message>
    <message>
        <source>系统日志</source>
        <translation>System Logs</translation>
    </message>
    <message>
        <source>系统缓存</source>
        <translation>System Caches</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>网页图标</source>
        <translation>Website Icons</translation>
    </message>
    <message>
        <source>网页缓存</source>
        <translation>Web Cache</translation>
    </message>
    <message>
        <source>表单信息</source>
        <translation>Form Data</translation>
    </message>
    <message>
        <source>详情</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>请点击添加文件夹按钮添加文件路径</source>
        <translation>Click Add Folder to choose where to look.</translation>
    </message>
    <message>
        <source>路径未添加</source>
        <translation>No folder added</translation>
    </message>
    <message>
        <source>返回</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>部分文件未能清理,可在对应项目的“详情”中查看</source>
        <translation>Some files could not be cleaned; open Details on their category to see which.</translation>
    </message>
    <message>
        <source>缓存</source>
        <translation>Caches</translation>
    </message>
    <message>
        <source>日志</source>
        <translation>Logs</translation>
    </message>
    <message>
        <source>浏览器缓存</source>
        <translation>Browser Data</translation>
    </message>
    <message>
        <source>默认不清理cookies、历史记录、可在扫描详情中修改</source>
        <translation>Cookies and history are kept unless you select them in Details</translation>
    </message>
    <message>
        <source>文件删除后无法恢复,请慎重选择清理内容</source>
        <translation>Deleted files cannot be recovered. Choose carefully.</translation>
    </message>
    <message>
        <source>该目录可能有重要文件,请慎重选择清理内容</source>
        <translation>This folder may hold important files. Choose carefully.</translation>
    </message>
    <message>
        <source>清理&quot;废纸篓&quot;中的文件</source>
        <translation>Remove the files in the Trash</translation>
    </message>
    <message>
        <source>清理&quot;下载&quot;目录中的文件</source>
        <translation>Remove the files in the Downloads folder</translation>
    </message>
    <message>
        <source>存在</source>
        <translation>There are</translation>
    </message>
    <message>
        <source>个相关文件</source>
        <translation>related files</translation>
    </message>
    <message>
        <source>强力卸载可节省</source>
        <translation> a forced uninstall frees</translation>
    </message>
    <message>
        <source>空间</source>
        <translation>of space</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>应用仍在运行，未删除</source>
        <translation>The application is still running: nothing was removed</translation>
        <source>通过卸载软件来加速系统</source>
        <translation>Speed up the system by uninstalling applications</translation>
    </message>
    <message>
        <source>通过卸载插件来加速系统</source>
        <translation>Speed up the system by uninstalling plug-ins</translation>
    </message>
    <message>
        <source>通过卸载配置文件来加速系统</source>
        <translation>Speed up the system by uninstalling preference panes</translation>
    </message>
    <message>
        <source>应用名称</source>
        <translation>Application</translation>
    </message>
    <message>
        <source>插件名称</source>
        <translation>Plug-in</translation>
    </message>
    <message>
        <source>配置文件名称</source>
        <translation>Preference pane</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>安装日期:%1</source>
        <translation>Installed: %1</translation>
    </message>
    <message>
        <source>版本:%1</source>
        <translation>Version: %1</translation>
    </message>
    <message>
        <source>大小:%1</source>
        <translation>Size: %1</translation>
    </message>
    <message>
        <source>强制卸载</source>
        <translation>Force Uninstall</translation>
    </message>
    <message>
        <source>请确定是否卸载 %1</source>
        <translation>Do you really want to uninstall %1?</translation>
    </message>
    <message>
        <source>此系统没有偏好设置面板</source>
        <translation>This system has no preference panes</translation>
    </message>
    <message>
        <source>开机启动项显示如下。请根据需求关闭或移除列表中的选项</source>
        <translation>These items start when you log in. Switch off or remove the ones you do not need.</translation>
    </message>
    <message>
        <source>启动项</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>类别</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>公司</source>
        <translation>Company</translation>
    </message>
    <message>
        <source>添加选项</source>
        <translation>Add Item</translation>
    </message>
    <message>
        <source>禁用</source>
        <translation>Disable</translation>
    </message>
    <message>
        <source>未添加项目</source>
        <translation>No item selected</translation>
    </message>
    <message>
        <source>加速</source>
        <translation>Speed Up</translation>
    </message>
    <message>
        <source>正在加速...</source>
        <translation>Speeding up...</translation>
    </message>
    <message>
        <source>通过压缩内存来释放内存</source>
        <translation>Frees memory by compressing idle memory</translation>
    </message>
    <message>
        <source>应用程序内存</source>
        <translation>App memory</translation>
    </message>
    <message>
        <source>文件缓存</source>
        <translation>File cache</translation>
    </message>
    <message>
        <source>联动</source>
        <translation>Wired</translation>
    </message>
    <message>
        <source>压缩</source>
        <translation>Compressed</translation>
    </message>
    <message>
        <source>空闲</source>
        <translation>Free</translation>
    </message>
    <message>
        <source>已使用</source>
        <translation>Used</translation>
    </message>
    <message>
        <source>已停止：可用内存已降到安全下限</source>
        <translation>Stopped: available memory reached the safety floor</translation>
    </message>
    <message>
        <source>已停止：无法再分配内存</source>
        <translation>Stopped: no more memory could be had</translation>
    </message>
    <message>
        <source>关闭占用大量资源和服务的进程用以加速系统</source>
        <translation>Quit the applications that take up resources to speed up the system</translation>
    </message>
    <message>
        <source>优化</source>
        <translation>Optimise</translation>
    </message>
    <message>
        <source>进程名称</source>
        <translation>Application</translation>
    </message>
    <message>
        <source>CPU占用率:%1</source>
        <translation>CPU: %1</translation>
    </message>
    <message>
        <source>CPU占用大小:%1</source>
        <translation>Memory: %1</translation>
    </message>
    <message>
        <source>未选中项目</source>
        <translation>No item selected</translation>
    </message>
    <!-- The hardware screen's texts: their keys are the profiler's English. -->
    <message>
        <source>System Information</source>
        <translation>System Information</translation>
    </message>
    <message>
        <source>Show basic information about your Mac computer, allowing you to better understand</source>
        <translation>What this computer is made of, at a glance</translation>
    </message>
    <message>
        <source>Displays</source>
        <translation>Displays</translation>
    </message>
    <message>
        <source>Hard disk</source>
        <translation>Hard disk</translation>
    </message>
    <message>
        <source>Available</source>
        <translation>available</translation>
    </message>
    <message>
        <source>Altogether</source>
        <translation>of </translation>
    </message>
    <message>
        <source>CPU temperature</source>
        <translation>CPU temperature</translation>
    </message>
    <message>
        <source>Fan speed</source>
        <translation>Fan speed</translation>
    </message>
    <message>
        <source>Model Name</source>
        <translation>Model Name</translation>
    </message>
    <message>
        <source>Model Identifier</source>
        <translation>Model Identifier</translation>
    </message>
    <message>
        <source>Processor Name</source>
        <translation>Processor Name</translation>
    </message>
    <message>
        <source>Processor Speed</source>
        <translation>Processor Speed</translation>
    </message>
    <message>
        <source>Number of Processors</source>
        <translation>Number of Processors</translation>
    </message>
    <message>
        <source>Total Number of Cores</source>
        <translation>Total Number of Cores</translation>
    </message>
    <message>
        <source>L2 Cache</source>
        <translation>L2 Cache</translation>
    </message>
    <message>
        <source>L2 Cache (per Core)</source>
        <translation>L2 Cache (per Core)</translation>
    </message>
    <message>
        <source>L3 Cache</source>
        <translation>L3 Cache</translation>
    </message>
    <message>
        <source>Memory</source>
        <translation>Memory</translation>
    </message>
    <message>
        <source>Boot ROM Version</source>
        <translation>Boot ROM Version</translation>
    </message>
    <message>
        <source>Hardware UUID</source>
        <translation>Hardware UUID</translation>
    </message>
    <message>
        <source>Chipset Model</source>
        <translation>Chipset Model</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Bus</source>
        <translation>Bus</translation>
    </message>
    <message>
        <source>VRAM (Dynamic, Max)</source>
        <translation>VRAM (Dynamic, Max)</translation>
    </message>
    <message>
        <source>Vendor</source>
        <translation>Vendor</translation>
    </message>
    <message>
        <source>Device ID</source>
        <translation>Device ID</translation>
    </message>
    <message>
        <source>Revision ID</source>
        <translation>Revision ID</translation>
    </message>
    <message>
        <source>Display Type</source>
        <translation>Display Type</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>Pixel Depth</source>
        <translation>Pixel Depth</translation>
    </message>
    <message>
        <source>Main Display</source>
        <translation>Main Display</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Mirror</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>Built-In</source>
        <translation>Built-In</translation>
    </message>
    <message>
        <source>BSD Name</source>
        <translation>Device Name</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>Capacity</source>
        <translation>Capacity</translation>
    </message>
    <message>
        <source>Medium Type</source>
        <translation>Medium Type</translation>
    </message>
    <message>
        <source>Rotational Rate</source>
        <translation>Rotational Rate</translation>
    </message>
    <message>
        <source>有新版本是否更新</source>
        <translation>A new version is available. Update now?</translation>
    </message>
    <message>
        <source>正在更新</source>
        <translation>Updating</translation>
    </message>
    <message>
        <source>已是最新版本</source>
        <translation>You have the latest version</translation>
    </message>
    <message>
        <source>更新完成</source>
        <translation>Update complete</translation>
    </message>
    <message>
        <source>安装并重新启动</source>
        <translation>Install and Restart</translation>
    </message>
    <message>
        <source>下载的更新未通过签名校验，已删除</source>
        <translation>The downloaded update failed its signature check and was deleted</translation>
    </message>
    <message>
        <source>正在交给CorvaneXPC安装</source>
        <translation>Handing the update to CorvaneXPC to install</translation>
    </message>
    <message>
        <source>CorvaneXPC未能安装更新：%1</source>
        <translation>CorvaneXPC could not install the update: %1</translation>
    </message>
    <message>
        <source>无法联系CorvaneXPC，更新未安装</source>
        <translation>CorvaneXPC could not be reached; the update was not installed</translation>
    </message>
</context>
</TS>
